// The scheduler choice.
#include "console/jobs/JobStoreChoice_win.h"

#include <windows.h>
// after windows.h
#include <versionhelpers.h>

#include "console/jobs/TaskJobStore_win.h"
#include "console/jobs/basScheduleJob_win.h"

namespace zq {

std::unique_ptr<JobStore> ChooseJobStore(SchedulerChoice choice, const Clock& clock) {
  if (choice == SchedulerChoice::kAt) return std::make_unique<ServiceJobStore>();
  auto tasks = std::make_unique<TaskJobStore>(clock);
  if (choice == SchedulerChoice::kTask) return tasks;
  if (tasks->connected()) {
    if (::IsWindows8OrGreater()) return tasks;
    ServiceJobStore at;
    std::uint32_t resume = 0;
    if (IsAtUnavailable(at.Enumerate(resume).status)) return tasks;
  }
  return std::make_unique<ServiceJobStore>();
}

}  // namespace zq
