// Which scheduler the console works with: Task Scheduler 2.0 when it can be reached and
// either the system is Windows 8 or later (where AT-style jobs are off unless switched on)
// or the AT interface does not answer; otherwise the Schedule service's AT interface. A
// switch forces either. Windows only.
#pragma once

#include <memory>

#include "console/Clock.h"
#include "console/jobs/basScheduleJob.h"

namespace zq {

std::unique_ptr<JobStore> ChooseJobStore(SchedulerChoice choice, const Clock& clock);

}  // namespace zq
