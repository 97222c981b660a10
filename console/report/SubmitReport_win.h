// A report submission from the main window: the checks, the protected work folder and the
// paths a SYSTEM job would run checked, a new parameter and batch file pair, then the sender
// started at once or the batch file registered as a job, with nothing left behind by a
// refusal. The window only asks and shows what happened. Windows only.
#pragma once

#include <string>

#include "console/Clock.h"
#include "console/jobs/ScheduleEntry.h"
#include "console/report/ReportParameters.h"

namespace zq {

struct ReportRequest {
  ReportPanel panel;  // security from the settings: the password in the user's scope
  ScheduleInput schedule;
  std::string programDirectory;
};

struct ReportOutcome {
  std::string message;  // "" when there is nothing to show
  unsigned style = 0;   // of the message box
  ScheduleFocus scheduleFocus = ScheduleFocus::kNone;
  int mailField = -1;     // a mail box to focus, 0..4
  bool jobAdded = false;  // the job list changed
};

ReportOutcome SubmitReport(const ReportRequest& request, JobStore& store, const Clock& clock);

}  // namespace zq
