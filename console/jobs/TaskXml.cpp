// Task definitions to and from the job model.
#include "console/jobs/TaskXml.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>

#include "common/CivilDate.h"
#include "common/Cp932.h"
#include "console/jobs/ScheduleEntry.h"

namespace zq {
namespace {

// Weekday elements by AT bit (bit 0 = Monday).
constexpr const char* kWeekdayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"};
constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
constexpr char kSystemSid[] = "S-1-5-18";
// The description that marks a definition the console wrote.
constexpr char kDescription[] = "zqTervask";

std::string Escaped(std::string_view text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    const std::string_view c = text.substr(pos, length);
    pos += length;
    if (c == "&")
      out += "&amp;";
    else if (c == "<")
      out += "&lt;";
    else if (c == ">")
      out += "&gt;";
    else if (c == "\"")
      out += "&quot;";
    else
      out.append(c);
  }
  return out;
}

LocalTime DateOf(long days, int hour, int minute) {
  LocalTime t{0, 0, 0, hour, minute, 0};
  CivilFromDays(days, t.year, t.month, t.day);
  return t;
}

std::string Stamp(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

struct Window {
  std::string start, end;  // end "" for a job that repeats
};

long StampMinutes(const LocalTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 1440 + t.hour * 60 + t.minute;
}
std::string StampOfMinutes(long minutes) {
  return Stamp(DateOf(minutes / 1440, static_cast<int>(minutes % 1440 / 60),
                      static_cast<int>(minutes % 60)));
}

int DaysInMonth(int year, int month) {
  const int next = month % 12 + 1;
  return static_cast<int>(DaysFromCivil(year + (month == 12), next, 1) -
                          DaysFromCivil(year, month, 1));
}

// The first day a job runs at its time: today when the time is still ahead, else tomorrow.
long FirstDay(const JobSpec& job, const LocalTime& now) {
  const int minutes = static_cast<int>(job.jobTime / 60000 % 1440);
  long day = DaysFromCivil(now.year, now.month, now.day);
  if (minutes <= now.hour * 60 + now.minute) ++day;
  return day;
}

// The first run, and for a job that runs once without dates its end after one round: an hour
// for a single time, a week less a minute for weekdays (so no day comes twice).
Window WindowOf(const JobSpec& job, const LocalTime& now) {
  const int minutes = static_cast<int>(job.jobTime / 60000 % 1440);
  const long start = FirstDay(job, now) * 1440 + minutes;
  Window window{StampOfMinutes(start), {}};
  if (job.flags & kJobRunPeriodically) return window;
  window.end = StampOfMinutes(start + (job.daysOfWeek != 0 ? 7 * 1440 - 1 : 60));
  return window;
}

void Boundaries(std::string& xml, const Window& window) {
  xml += "      <StartBoundary>" + window.start + "</StartBoundary>\r\n";
  if (!window.end.empty()) xml += "      <EndBoundary>" + window.end + "</EndBoundary>\r\n";
}

// A monthly trigger for the days of `days`, in every month or only in `month` (1-12).
void MonthlyTrigger(std::string& xml, const Window& window, std::uint32_t days, int month) {
  xml += "    <CalendarTrigger>\r\n";
  Boundaries(xml, window);
  xml += "      <ScheduleByMonth>\r\n        <DaysOfMonth>";
  for (int bit = 0; bit < 31; ++bit) {
    if (days & (1u << bit)) xml += "<Day>" + std::to_string(bit + 1) + "</Day>";
  }
  xml += "</DaysOfMonth>\r\n        <Months>";
  for (int m = 1; m <= 12; ++m) {
    if (month == 0 || m == month) xml += std::string("<") + kMonthNames[m - 1] + " />";
  }
  xml += "</Months>\r\n      </ScheduleByMonth>\r\n    </CalendarTrigger>\r\n";
}

std::string FolderOf(const std::string& program) {
  const std::size_t slash = Cp932FindLast(program, "\\");
  if (slash == std::string::npos || slash == 0) return {};
  return program.substr(0, slash == 2 && program[1] == ':' ? 3 : slash);
}

}  // namespace

std::vector<LocalTime> OnceDates(const JobSpec& job, const LocalTime& now) {
  const int minutes = static_cast<int>(job.jobTime / 60000 % 1440);
  int year = 0, month = 0, first = 0;
  CivilFromDays(FirstDay(job, now), year, month, first);
  std::vector<LocalTime> dates;
  for (int day = 1; day <= 31; ++day) {
    if (!(job.daysOfMonth & (1u << (day - 1)))) continue;
    // Every day of the month comes within a year; months without it are passed over.
    int y = year, m = month;
    while (day < (y == year && m == month ? first : 1) || day > DaysInMonth(y, m)) {
      y += m == 12;
      m = m % 12 + 1;
    }
    dates.push_back({y, m, day, minutes / 60, minutes % 60, 0});
  }
  std::sort(dates.begin(), dates.end(),
            [](const LocalTime& a, const LocalTime& b) { return StampMinutes(a) < StampMinutes(b); });
  return dates;
}

std::string TaskXmlOf(const JobSpec& job, const CommandParts& action, const LocalTime& now) {
  const Window window = WindowOf(job, now);
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      "  <RegistrationInfo>\r\n    <Description>" +
      std::string(kDescription) + "</Description>\r\n"
      "  </RegistrationInfo>\r\n  <Triggers>\r\n";
  if (job.daysOfWeek == 0 && job.daysOfMonth == 0) {
    xml += "    <TimeTrigger>\r\n";
    Boundaries(xml, window);
    xml += "    </TimeTrigger>\r\n";
  }
  if (job.daysOfWeek != 0) {
    xml += "    <CalendarTrigger>\r\n";
    Boundaries(xml, window);
    xml +=
        "      <ScheduleByWeek>\r\n        <WeeksInterval>1</WeeksInterval>\r\n"
        "        <DaysOfWeek>";
    for (int bit = 0; bit < 7; ++bit) {
      if (job.daysOfWeek & (1u << bit)) xml += std::string("<") + kWeekdayNames[bit] + " />";
    }
    xml += "</DaysOfWeek>\r\n      </ScheduleByWeek>\r\n    </CalendarTrigger>\r\n";
  }
  if (job.daysOfMonth != 0 && (job.flags & kJobRunPeriodically)) {
    MonthlyTrigger(xml, window, job.daysOfMonth, 0);
  } else if (job.daysOfMonth != 0) {
    // One trigger per date, in its own month, each expiring an hour after its run.
    for (const LocalTime& date : OnceDates(job, now)) {
      const long start = StampMinutes(date);
      MonthlyTrigger(xml, {StampOfMinutes(start), StampOfMinutes(start + 60)}, 1u << (date.day - 1),
                     date.month);
    }
  }
  xml += "  </Triggers>\r\n  <Principals>\r\n    <Principal id=\"Author\">\r\n";
  if (job.flags & kJobNonInteractive) {
    xml += std::string("      <UserId>") + kSystemSid + "</UserId>\r\n" +
           "      <LogonType>ServiceAccount</LogonType>\r\n" +
           "      <RunLevel>HighestAvailable</RunLevel>\r\n";
  } else {
    xml +=
        "      <LogonType>InteractiveToken</LogonType>\r\n"
        "      <RunLevel>HighestAvailable</RunLevel>\r\n";
  }
  xml +=
      "    </Principal>\r\n  </Principals>\r\n  <Settings>\r\n"
      "    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
      "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
      "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
      "    <ExecutionTimeLimit>PT72H</ExecutionTimeLimit>\r\n";
  if (!window.end.empty()) xml += "    <DeleteExpiredTaskAfter>PT0S</DeleteExpiredTaskAfter>\r\n";
  xml +=
      "    <Enabled>true</Enabled>\r\n  </Settings>\r\n"
      "  <Actions Context=\"Author\">\r\n    <Exec>\r\n";
  const CommandParts& command = action;
  xml += "      <Command>" + Escaped(command.file) + "</Command>\r\n";
  if (!command.parameters.empty()) {
    xml += "      <Arguments>" + Escaped(command.parameters) + "</Arguments>\r\n";
  }
  if (const std::string folder = FolderOf(command.file); !folder.empty()) {
    xml += "      <WorkingDirectory>" + Escaped(folder) + "</WorkingDirectory>\r\n";
  }
  xml += "    </Exec>\r\n  </Actions>\r\n</Task>\r\n";
  return xml;
}

namespace {

// "hh:mm" of a boundary "YYYY-MM-DDThh:mm:ss", as minutes; -1 when it is not one.
int MinutesOf(std::string_view stamp) {
  const std::size_t t = stamp.find('T');
  if (t == std::string_view::npos || stamp.size() < t + 6) return -1;
  const std::string_view hm = stamp.substr(t + 1, 5);
  if (hm[2] != ':') return -1;
  for (const std::size_t i : {0u, 1u, 3u, 4u}) {
    if (hm[i] < '0' || hm[i] > '9') return -1;
  }
  return ((hm[0] - '0') * 10 + (hm[1] - '0')) * 60 + (hm[3] - '0') * 10 + (hm[4] - '0');
}

std::string Trimmed(const XmlElement* element) {
  return element ? std::string(TrimBlanks(element->text)) : std::string();
}

}  // namespace

TaskJob JobOfTaskXml(std::string_view xml) {
  TaskJob read;
  XmlElement task;
  if (!ParseXml(xml, task) || task.name != "Task") return read;
  JobSpec& job = read.job;
  bool fits = true;
  int minutes = -1;
  bool once = false;
  const XmlElement* triggers = task.Child("Triggers");
  for (const XmlElement& trigger : triggers ? triggers->children : std::vector<XmlElement>{}) {
    const int at = MinutesOf(Trimmed(trigger.Child("StartBoundary")));
    fits = fits && at >= 0 && (minutes < 0 || at == minutes);
    if (at >= 0 && minutes < 0) minutes = at;
    once = once || trigger.Child("EndBoundary") != nullptr;
    if (trigger.name == "TimeTrigger") continue;
    const XmlElement* week = trigger.Child("ScheduleByWeek");
    const XmlElement* month = trigger.Child("ScheduleByMonth");
    if (trigger.name != "CalendarTrigger" || (!week && !month)) {
      fits = false;
      continue;
    }
    if (week) {
      fits = fits && Trimmed(week->Child("WeeksInterval")) == "1";
      const XmlElement* days = week->Child("DaysOfWeek");
      for (int bit = 0; days && bit < 7; ++bit) {
        if (days->Child(kWeekdayNames[bit])) job.daysOfWeek |= static_cast<std::uint8_t>(1u << bit);
      }
    } else {
      const XmlElement* days = month->Child("DaysOfMonth");
      for (const XmlElement& day : days ? days->children : std::vector<XmlElement>{}) {
        const int n = std::atoi(Trimmed(&day).c_str());
        if (n >= 1 && n <= 31)
          job.daysOfMonth |= 1u << (n - 1);
        else
          fits = false;
      }
      // A job on dates that runs once has one trigger per date, each in its own month.
      const XmlElement* months = month->Child("Months");
      const std::size_t count = months ? months->children.size() : 0;
      fits = fits && (count == 12 || (count == 1 && trigger.Child("EndBoundary")));
    }
  }
  fits = fits && minutes >= 0;
  job.jobTime = static_cast<std::uint32_t>(minutes < 0 ? 0 : minutes) * 60000u;
  if (!once && (job.daysOfWeek || job.daysOfMonth)) job.flags |= kJobRunPeriodically;
  const XmlElement* principals = task.Child("Principals");
  const XmlElement* principal = principals ? principals->Child("Principal") : nullptr;
  const std::string logon = principal ? Trimmed(principal->Child("LogonType")) : "";
  if (logon != "InteractiveToken") job.flags |= kJobNonInteractive;
  const XmlElement* registration = task.Child("RegistrationInfo");
  const std::string user = Cp932AsciiUpper(principal ? Trimmed(principal->Child("UserId")) : "");
  // A principal read back without a logon type (as some implementations give it) does not
  // count against the definition; one that names another logon or user does.
  read.ownDefinition =
      registration && Trimmed(registration->Child("Description")) == kDescription &&
      ((logon.empty() && user.empty()) || logon == "InteractiveToken" ||
       (logon == "ServiceAccount" && (user == kSystemSid || user == "SYSTEM")));
  const XmlElement* actions = task.Child("Actions");
  const XmlElement* exec = actions ? actions->Child("Exec") : nullptr;
  if (exec) {
    const std::string program = Trimmed(exec->Child("Command"));
    const std::string arguments = Trimmed(exec->Child("Arguments"));
    job.command = CommandOfPath(program) + (arguments.empty() ? "" : " " + arguments);
  } else {
    fits = false;
  }
  read.fits = fits;
  return read;
}

}  // namespace zq
