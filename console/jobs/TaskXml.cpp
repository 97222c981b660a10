// Task definitions to and from the job model.
#include "console/jobs/TaskXml.h"

#include <cstdio>
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

// The first run at the job's time: today when it is still ahead, else tomorrow. A job that
// runs once ends after one round: an hour for a single time, a week for weekdays, a month
// for dates (less a minute, so no day comes twice).
Window WindowOf(const JobSpec& job, const LocalTime& now) {
  const int minutes = static_cast<int>(job.jobTime / 60000 % 1440);
  long day = DaysFromCivil(now.year, now.month, now.day);
  if (minutes <= now.hour * 60 + now.minute) ++day;
  const LocalTime start = DateOf(day, minutes / 60, minutes % 60);
  Window window{Stamp(start), {}};
  if (job.flags & kJobRunPeriodically) return window;
  long end = day * 1440 + minutes - 1;  // a minute before the next round starts
  if (job.daysOfMonth != 0) {
    const int month = start.month % 12 + 1;
    const int year = start.year + (start.month == 12);
    end += (DaysFromCivil(year, month, 1) + start.day - 1 - day) * 1440;
  } else {
    end += job.daysOfWeek != 0 ? 7 * 1440 : 61;
  }
  window.end =
      Stamp(DateOf(end / 1440, static_cast<int>(end % 1440 / 60), static_cast<int>(end % 60)));
  return window;
}

void Boundaries(std::string& xml, const Window& window) {
  xml += "      <StartBoundary>" + window.start + "</StartBoundary>\r\n";
  if (!window.end.empty()) xml += "      <EndBoundary>" + window.end + "</EndBoundary>\r\n";
}

std::string FolderOf(const std::string& program) {
  const std::size_t slash = Cp932FindLast(program, "\\");
  if (slash == std::string::npos || slash == 0) return {};
  return program.substr(0, slash == 2 && program[1] == ':' ? 3 : slash);
}

}  // namespace

std::string TaskXmlOf(const JobSpec& job, const LocalTime& now) {
  const Window window = WindowOf(job, now);
  std::string xml =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      "  <RegistrationInfo>\r\n    <Description>zqTervask</Description>\r\n"
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
  if (job.daysOfMonth != 0) {
    xml += "    <CalendarTrigger>\r\n";
    Boundaries(xml, window);
    xml += "      <ScheduleByMonth>\r\n        <DaysOfMonth>";
    for (int bit = 0; bit < 31; ++bit) {
      if (job.daysOfMonth & (1u << bit)) xml += "<Day>" + std::to_string(bit + 1) + "</Day>";
    }
    xml += "</DaysOfMonth>\r\n        <Months>";
    for (const char* month : kMonthNames) xml += std::string("<") + month + " />";
    xml += "</Months>\r\n      </ScheduleByMonth>\r\n    </CalendarTrigger>\r\n";
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
  const RunNowCommand command = SplitRunNowCommand(job.command);
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

const XmlElement* XmlElement::Child(std::string_view wanted) const {
  for (const XmlElement& child : children) {
    if (child.name == wanted) return &child;
  }
  return nullptr;
}

namespace {

class XmlReader {
 public:
  explicit XmlReader(std::string_view text) : text_(text) {}

  bool Document(XmlElement& root) {
    for (;;) {
      SkipBlanks();
      if (Starts("<?")) {
        if (!SkipPast("?>")) return false;
      } else if (Starts("<!--")) {
        if (!SkipPast("-->")) return false;
      } else {
        break;
      }
    }
    if (!Element(root, 0)) return false;
    SkipBlanks();
    return pos_ == text_.size();
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool Element(XmlElement& element, int depth) {
    if (depth > kMaxDepth || !Starts("<")) return false;
    ++pos_;
    const std::string name = Name();
    if (name.empty()) return false;
    const std::size_t colon = name.find(':');
    element.name = colon == std::string::npos ? name : name.substr(colon + 1);
    // Attributes are skipped; quoted values may hold ">".
    while (pos_ < text_.size() && text_[pos_] != '>' && !Starts("/>")) {
      if (text_[pos_] == '"' || text_[pos_] == '\'') {
        const std::size_t close = text_.find(text_[pos_], pos_ + 1);
        if (close == std::string_view::npos) return false;
        pos_ = close;
      }
      ++pos_;
    }
    if (Starts("/>")) {
      pos_ += 2;
      return true;
    }
    if (pos_ >= text_.size()) return false;
    ++pos_;
    for (;;) {
      const std::size_t open = text_.find('<', pos_);
      if (open == std::string_view::npos) return false;
      if (!Decode(text_.substr(pos_, open - pos_), element.text)) return false;
      pos_ = open;
      if (Starts("</")) {
        pos_ += 2;
        if (Name() != name) return false;
        SkipBlanks();
        if (!Starts(">")) return false;
        ++pos_;
        return true;
      }
      if (Starts("<!--")) {
        if (!SkipPast("-->")) return false;
        continue;
      }
      element.children.emplace_back();
      if (!Element(element.children.back(), depth + 1)) return false;
    }
  }

  std::string Name() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ' ' && text_[pos_] != '>' && text_[pos_] != '/' &&
           text_[pos_] != '\r' && text_[pos_] != '\n' && text_[pos_] != '\t') {
      ++pos_;
    }
    return std::string(text_.substr(start, pos_ - start));
  }

  static bool Decode(std::string_view raw, std::string& out) {
    for (std::size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != '&') {
        out += raw[i];
        continue;
      }
      const std::size_t semi = raw.find(';', i);
      if (semi == std::string_view::npos) return false;
      const std::string_view entity = raw.substr(i + 1, semi - i - 1);
      if (entity == "amp")
        out += '&';
      else if (entity == "lt")
        out += '<';
      else if (entity == "gt")
        out += '>';
      else if (entity == "quot")
        out += '"';
      else if (entity == "apos")
        out += '\'';
      else if (entity.size() > 1 && entity[0] == '#') {
        const bool hex = entity[1] == 'x';
        const long code =
            std::strtol(std::string(entity.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10);
        if (code <= 0 || code > 0x7F) return false;  // beyond ASCII never comes from CP932 text
        out += static_cast<char>(code);
      } else {
        return false;
      }
      i = semi;
    }
    return true;
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\r' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }
  bool Starts(std::string_view prefix) const { return text_.substr(pos_, prefix.size()) == prefix; }
  bool SkipPast(std::string_view end) {
    const std::size_t at = text_.find(end, pos_);
    if (at == std::string_view::npos) return false;
    pos_ = at + end.size();
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

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

bool ParseXml(std::string_view text, XmlElement& root) { return XmlReader(text).Document(root); }

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
      const XmlElement* months = month->Child("Months");
      fits = fits && months && months->children.size() == 12;
    }
  }
  fits = fits && minutes >= 0;
  job.jobTime = static_cast<std::uint32_t>(minutes < 0 ? 0 : minutes) * 60000u;
  if (!once && (job.daysOfWeek || job.daysOfMonth)) job.flags |= kJobRunPeriodically;
  const XmlElement* principals = task.Child("Principals");
  const XmlElement* principal = principals ? principals->Child("Principal") : nullptr;
  if (!principal || Trimmed(principal->Child("LogonType")) != "InteractiveToken") {
    job.flags |= kJobNonInteractive;
  }
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
