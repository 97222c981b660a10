// The console's job model as a Task Scheduler 2.0 task definition (XML) and back. Portable;
// the text is CP932 like the rest of the console, declared UTF-16 because registration hands
// it over as a wide string.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/Clock.h"
#include "console/jobs/CommandLine.h"
#include "console/jobs/XmlReader.h"
#include "console/jobs/basScheduleJob.h"

namespace zq {

// The definition of `job` registered at `now`, starting program `action`. A job that repeats
// gets a weekly trigger for its weekdays and a monthly one for its dates; one that runs once
// starts at the next occurrence of its time and ends after one round of its weekdays, or
// after the last of OnceDates; it is deleted once expired. Non-interactive jobs run as
// SYSTEM; interactive ones as the registering user, only while logged on. The program runs in
// its own folder.
std::string TaskXmlOf(const JobSpec& job, const CommandParts& action, const LocalTime& now);

// The runs of a job on dates that runs once, registered at `now`: each chosen day's next date
// at the job's time (today only while the time is ahead), months without that day passed
// over; in date order.
std::vector<LocalTime> OnceDates(const JobSpec& job, const LocalTime& now);

// A definition read back: the job it describes, whether its triggers fit the job model (a
// task written or edited elsewhere is shown as far as it can be read, never rewritten), and
// whether the console wrote it (its description and principal).
struct TaskJob {
  JobSpec job;
  bool fits = false;
  bool ownDefinition = false;
};
TaskJob JobOfTaskXml(std::string_view xml);

}  // namespace zq
