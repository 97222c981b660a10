// The console's job model as a Task Scheduler 2.0 task definition (XML) and back. Portable;
// the text is CP932 like the rest of the console, declared UTF-16 because registration hands
// it over as a wide string.
#pragma once

#include <string>
#include <string_view>

#include "console/Clock.h"
#include "console/jobs/basScheduleJob.h"

namespace zq {

// The definition of `job` registered at `now`. A job that repeats gets a weekly trigger for
// its weekdays and a monthly one for its dates; one that runs once starts at the next
// occurrence of its time, ends after one round of its days, and is deleted once expired.
// Non-interactive jobs run as SYSTEM; interactive ones as the registering user, only while
// logged on. The command is split into program and arguments, run in the program's folder.
std::string TaskXmlOf(const JobSpec& job, const LocalTime& now);

// A definition read back: the job it describes, and whether its triggers fit the job model
// (a task written or edited elsewhere is shown as far as it can be read, never rewritten).
struct TaskJob {
  JobSpec job;
  bool fits = false;
};
TaskJob JobOfTaskXml(std::string_view xml);

// A minimal XML reader for task definitions: elements, attributes skipped, text with the
// five named and numeric references. False for text that is not well formed.
struct XmlElement {
  std::string name;  // without namespace prefix
  std::string text;
  std::vector<XmlElement> children;
  const XmlElement* Child(std::string_view name) const;
};
bool ParseXml(std::string_view text, XmlElement& root);

}  // namespace zq
