// Task definitions: the exact document of a weekly report job (element names and order as
// the published schema has them), every schedule mode there and back, the first run and the
// end of a job that runs once, and definitions written elsewhere or broken.
#include <gtest/gtest.h>

#include <cstdio>

#include "console/jobs/TaskXml.h"

namespace zq {
namespace {

constexpr LocalTime kNow{2026, 12, 31, 23, 59, 0};

// The definition with the program split at its first blank.
std::string Xml(const JobSpec& job, const LocalTime& now) {
  return TaskXmlOf(job, SplitRunNowCommand(job.command), now);
}

TEST(TaskXml, AWeeklyReportJobAsTheSchemaOrdersIt) {
  const JobSpec job{3 * 3600000, 0, 0x11, kJobRunPeriodically | kJobNonInteractive,
                    "\"C:\\Program Files\\zq 週報\\CMD\\a&b.CMD\""};
  EXPECT_EQ(
      Xml(job, kNow),
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      "<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
      "  <RegistrationInfo>\r\n    <Description>zqTervask</Description>\r\n"
      "  </RegistrationInfo>\r\n"
      "  <Triggers>\r\n    <CalendarTrigger>\r\n"
      "      <StartBoundary>2027-01-01T03:00:00</StartBoundary>\r\n"
      "      <ScheduleByWeek>\r\n        <WeeksInterval>1</WeeksInterval>\r\n"
      "        <DaysOfWeek><Monday /><Friday /></DaysOfWeek>\r\n"
      "      </ScheduleByWeek>\r\n    </CalendarTrigger>\r\n  </Triggers>\r\n"
      "  <Principals>\r\n    <Principal id=\"Author\">\r\n"
      "      <UserId>S-1-5-18</UserId>\r\n      <LogonType>ServiceAccount</LogonType>\r\n"
      "      <RunLevel>HighestAvailable</RunLevel>\r\n    </Principal>\r\n  </Principals>\r\n"
      "  <Settings>\r\n    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
      "    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
      "    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
      "    <ExecutionTimeLimit>PT72H</ExecutionTimeLimit>\r\n"
      "    <Enabled>true</Enabled>\r\n  </Settings>\r\n"
      "  <Actions Context=\"Author\">\r\n    <Exec>\r\n"
      "      <Command>C:\\Program Files\\zq 週報\\CMD\\a&amp;b.CMD</Command>\r\n"
      "      <WorkingDirectory>C:\\Program Files\\zq 週報\\CMD</WorkingDirectory>\r\n"
      "    </Exec>\r\n  </Actions>\r\n</Task>\r\n");
}

TEST(TaskXml, EveryModeThereAndBack) {
  const std::string program = "\"C:\\Program Files\\表 ソ\\run.exe\" /x \"a b\"";
  const JobSpec jobs[] = {
      {7 * 3600000 + 5 * 60000, 0, 0, kJobNonInteractive, "C:\\zq\\CMD\\r.CMD"},  // once
      {23 * 3600000 + 59 * 60000, 0, 0x7F, kJobRunPeriodically | kJobNonInteractive, program},
      {0, 0, 0x01, 0, "notepad.exe"},                               // weekdays once, interactive
      {12 * 3600000, 0x40000001, 0, kJobRunPeriodically, program},  // days 1 and 31
      {60000, 0x00000002, 0, kJobNonInteractive, "cmd /c echo 日本語"},  // dates once
      {8 * 3600000, 0x00008000, 0x40, kJobRunPeriodically | kJobNonInteractive, "x.bat"},
  };
  for (const JobSpec& job : jobs) {
    const std::string xml = Xml(job, kNow);
    XmlElement root;
    ASSERT_TRUE(ParseXml(xml, root)) << xml;
    const TaskJob back = JobOfTaskXml(xml);
    EXPECT_TRUE(back.fits) << xml;
    EXPECT_EQ(back.job.jobTime, job.jobTime) << xml;
    EXPECT_EQ(back.job.daysOfMonth, job.daysOfMonth) << xml;
    EXPECT_EQ(back.job.daysOfWeek, job.daysOfWeek) << xml;
    EXPECT_EQ(back.job.flags, job.flags) << xml;
    EXPECT_EQ(back.job.command, job.command) << xml;
  }
}

TEST(TaskXml, AJobThatRunsOnceEndsAfterOneRound) {
  auto boundaries = [](const JobSpec& job, const LocalTime& now) {
    XmlElement root;
    EXPECT_TRUE(ParseXml(Xml(job, now), root));
    const XmlElement& trigger = root.Child("Triggers")->children.at(0);
    const XmlElement* end = trigger.Child("EndBoundary");
    return trigger.Child("StartBoundary")->text + " " + (end ? end->text : "-");
  };
  const LocalTime morning{2026, 1, 31, 9, 0, 0};
  EXPECT_EQ(boundaries({10 * 3600000, 0, 0, 0, "a"}, morning),
            "2026-01-31T10:00:00 2026-01-31T11:00:00");
  EXPECT_EQ(boundaries({9 * 3600000, 0, 0, 0, "a"}, morning),  // the minute itself has passed
            "2026-02-01T09:00:00 2026-02-01T10:00:00");
  EXPECT_EQ(boundaries({10 * 3600000, 0, 0x01, 0, "a"}, morning),
            "2026-01-31T10:00:00 2026-02-07T09:59:00");
  EXPECT_EQ(boundaries({10 * 3600000, 1, 0, 0, "a"}, {2026, 12, 7, 9, 0, 0}),
            "2027-01-01T10:00:00 2027-01-01T11:00:00");
  EXPECT_EQ(boundaries({10 * 3600000, 1, 0, kJobRunPeriodically, "a"}, morning),
            "2026-01-31T10:00:00 -");
}

// Dates that run once: each chosen day's next real date, across month ends and leap years.
TEST(TaskXml, DatesOnceRunOnEachDaysNextRealDate) {
  struct Case {
    LocalTime now;
    int hour;
    std::uint32_t days;
    const char* dates;
  };
  const Case cases[] = {
      {{2026, 1, 31, 11, 0, 0}, 10, 0x3, "2026-02-01 2026-02-02"},  // not March 1 and 2 again
      {{2026, 1, 31, 9, 0, 0}, 10, 0x40000001, "2026-01-31 2026-02-01"},
      {{2026, 2, 10, 9, 0, 0}, 10, 1u << 29, "2026-03-30"},
      {{2026, 4, 5, 9, 0, 0}, 10, 1u << 30, "2026-05-31"},
      {{2027, 2, 1, 9, 0, 0}, 10, 1u << 28, "2027-03-29"},
      {{2028, 1, 30, 9, 0, 0}, 10, 1u << 28, "2028-02-29"},
      {{2100, 2, 1, 9, 0, 0}, 10, 1u << 28, "2100-03-29"},
      {kNow, 23, 1u << 30, "2027-01-31"},  // 23:00 has passed on the 31st
      {{2027, 1, 31, 10, 0, 0}, 9, 0x60000001, "2027-02-01 2027-03-30 2027-03-31"},
      {{2026, 12, 15, 9, 0, 0}, 10, 0x7FFFFFFF, nullptr},
  };
  for (const Case& c : cases) {
    const JobSpec job{static_cast<std::uint32_t>(c.hour) * 3600000, c.days, 0, 0, "a"};
    const std::vector<LocalTime> dates = OnceDates(job, c.now);
    std::string text;
    for (const LocalTime& d : dates) {
      char one[16];
      std::snprintf(one, sizeof one, "%04d-%02d-%02d", d.year, d.month, d.day);
      text += (text.empty() ? "" : " ") + std::string(one);
      EXPECT_EQ(d.hour, c.hour);
    }
    if (c.dates) {
      EXPECT_EQ(text, c.dates);
    } else {  // every day: a month and a half ahead at most, each once
      EXPECT_EQ(dates.size(), 31u);
      EXPECT_EQ(text.substr(0, 10), "2026-12-15");
      EXPECT_EQ(text.substr(text.size() - 10), "2027-01-14");
    }
  }
  // Each date is a trigger of its own month that expires an hour after its run.
  XmlElement root;
  ASSERT_TRUE(ParseXml(Xml({9 * 3600000, 0x40000001, 0, 0, "a"}, {2027, 1, 31, 10, 0, 0}), root));
  const auto& triggers = root.Child("Triggers")->children;
  ASSERT_EQ(triggers.size(), 2u);
  EXPECT_EQ(triggers[1].Child("StartBoundary")->text, "2027-03-31T09:00:00");
  EXPECT_EQ(triggers[1].Child("EndBoundary")->text, "2027-03-31T10:00:00");
  const XmlElement* months = triggers[1].Child("ScheduleByMonth")->Child("Months");
  ASSERT_EQ(months->children.size(), 1u);
  EXPECT_EQ(months->children[0].name, "March");
}

TEST(TaskXml, DefinitionsWrittenElsewhereOrBroken) {
  const char* foreign =
      "<?xml version=\"1.0\"?><!-- by hand --><t:Task xmlns:t=\"x\"><t:Triggers>"
      "<t:CalendarTrigger><t:StartBoundary>2026-01-01T04:30:00</t:StartBoundary>"
      "<t:ScheduleByDay><t:DaysInterval>2</t:DaysInterval></t:ScheduleByDay></t:CalendarTrigger>"
      "</t:Triggers><t:Actions><t:Exec><t:Command>C:\\a &amp; b\\x.exe</t:Command>"
      "<t:Arguments>&lt;in&#62;</t:Arguments></t:Exec></t:Actions></t:Task>";
  const TaskJob read = JobOfTaskXml(foreign);
  EXPECT_FALSE(read.fits) << "every second day is not a console schedule";
  EXPECT_FALSE(read.ownDefinition);
  // Only the console's description with its principal marks a console job.
  const std::string own = Xml({0, 0, 0x01, kJobNonInteractive, "a"}, kNow);
  EXPECT_TRUE(JobOfTaskXml(own).ownDefinition);
  EXPECT_TRUE(JobOfTaskXml(Xml({0, 0, 0x01, 0, "a"}, kNow)).ownDefinition);
  auto replaced = [&own](const std::string& from, const std::string& to) {
    std::string xml = own;
    xml.replace(xml.find(from), from.size(), to);
    return JobOfTaskXml(xml).ownDefinition;
  };
  EXPECT_TRUE(replaced("S-1-5-18", "system"));
  EXPECT_FALSE(replaced("S-1-5-18", "S-1-5-21-1-2-3-1001"));
  EXPECT_FALSE(replaced("ServiceAccount", "Password"));
  EXPECT_FALSE(replaced("<LogonType>ServiceAccount</LogonType>", ""));
  EXPECT_TRUE(
      replaced("<UserId>S-1-5-18</UserId>\r\n      <LogonType>ServiceAccount</LogonType>", ""));
  EXPECT_FALSE(replaced("<Description>zqTervask", "<Description>backup"));
  EXPECT_EQ(read.job.jobTime, (4 * 60 + 30) * 60000u);
  EXPECT_EQ(read.job.command, "\"C:\\a & b\\x.exe\" <in>");
  XmlElement root;
  for (const char* broken : {"<Task><A></Task>", "<Task>", "<Task a=\"1></Task>",
                             "<Task>&bogus;</Task>", "<Task></Task><Task/>", ""}) {
    EXPECT_FALSE(ParseXml(broken, root)) << broken;
    EXPECT_FALSE(JobOfTaskXml(broken).fits) << broken;
  }
}

}  // namespace
}  // namespace zq
