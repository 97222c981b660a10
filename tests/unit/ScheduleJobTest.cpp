// Schedule-service jobs: the listing over pages and its endings, row texts, schedule entry
// decisions and the job records they build, the run-now split.
#include <gtest/gtest.h>

#include <optional>
#include <set>

#include "console/jobs/ScheduleEntry.h"
#include "tests/support/FakeJobStore.h"

namespace zq {
namespace {

using testing::FakeJobStore;

std::vector<std::uint32_t> ListedIds(FakeJobStore& store, std::uint32_t& status) {
  std::vector<std::uint32_t> ids;
  status = ListJobs(store, [&](const JobRecord& r) { ids.push_back(r.id); });
  return ids;
}

TEST(ListJobs, PagesInOrderAndEveryWayOfEnding) {
  FakeJobStore store;
  for (std::uint32_t id = 1; id <= 1000; ++id) store.jobs.push_back({id, {}});
  store.pageSize = 300;
  std::uint32_t status = 99;
  const auto ids = ListedIds(store, status);
  EXPECT_EQ(status, 0u);
  ASSERT_EQ(ids.size(), 1000u);
  EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
  EXPECT_EQ(store.enumerateCalls, 4);

  store.enumerateCalls = 0;
  store.failEnumerateOnCall = 2;  // the rows of the first page stay
  EXPECT_EQ(ListedIds(store, status).size(), 300u);
  EXPECT_EQ(status, 1753u);

  FakeJobStore endless;
  endless.endlessMoreData = true;
  EXPECT_TRUE(ListedIds(endless, status).empty());
  EXPECT_EQ(endless.enumerateCalls, 1);
}

TEST(JobRows, ColumnsOfTheExamples) {
  using Row = std::array<std::string, 7>;
  const struct {
    JobRecord record;
    Row row;
  } cases[] = {
      {{7, {25500000, 1u | 1u << 14, 0, 0x11, "a.bat"}},
       {"OK", "7", "毎", "1 15 ", "07:05", "No", "a.bat"}},
      {{8, {0, 0, 0x05, 0, "週報.bat"}}, {"OK", "8", "次", "月 水 ", "00:00", "Yes", "週報.bat"}},
      {{4294967295u, {86340000, 1u << 30, 0x40, 0x02, ""}},
       {"エラー", "4294967295", "次", "31 日 ", "23:59", "Yes", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(JobRowTexts(c.record), c.row) << c.record.id;
  EXPECT_EQ(NetErrorLine(2185, ""), "エラーコード: 2185");
}

TEST(ScheduleEntry, WhatEachModeNeedsAndWhereTheFocusGoes) {
  ScheduleInput input;
  const struct {
    int mode;
    const char *time, *weekTime, *dayTime;
    bool weekday, day;
    const char* message;
    ScheduleFocus focus;
  } cases[] = {
      {kModeNone, "08:30", "", "", true, true, "実行方法を選択してください！",
       ScheduleFocus::kMode},
      {kModeRunNow, "", "", "", false, false, "", ScheduleFocus::kNone},
      {kModeOnce, "8:30", "", "", false, false, "時刻のフォーマットが正しくありません！",
       ScheduleFocus::kTime},
      {kModeWeekly, "", "", "", false, false, "曜日を指定してください！",
       ScheduleFocus::kFirstWeekday},
      {kModeWeekdaysOnce, "08:30", "24:00", "", true, false,
       "時刻のフォーマットが正しくありません！", ScheduleFocus::kWeekTime},
      {kModeMonthly, "", "", "", true, false, "日付を指定してください！", ScheduleFocus::kFirstDay},
      {kModeDatesOnce, "", "", "x", false, true, "時刻のフォーマットが正しくありません！",
       ScheduleFocus::kDayTime},
      {kModeDatesOnce, "", "", "23:59", false, true, "", ScheduleFocus::kNone},
  };
  for (const auto& c : cases) {
    input = {c.mode, c.time, c.weekTime, c.dayTime};
    input.weekdays[6] = c.weekday;
    input.days[30] = c.day;
    const ScheduleCheck check = ValidateSchedule(input);
    EXPECT_EQ(check.ok, *c.message == '\0') << c.mode;
    EXPECT_STREQ(check.message, c.message) << c.mode;
    EXPECT_EQ(check.focus, c.focus) << c.mode;
  }
  EXPECT_STREQ(ScheduleViewOf(kModeRunNow).submitCaption, "実行(&R)");
  EXPECT_EQ(ScheduleViewOf(kModeWeekdaysOnce).frame, ScheduleFrame::kWeek);
}

TEST(ScheduleEntry, JobRecordsByMode) {
  ScheduleInput once{kModeOnce, "08:75", "", "", {}, {}};
  EXPECT_EQ(BuildJobInfo(once, "c", false), (JobSpec{33300000, 0, 0, 0x00, "c"}));
  ScheduleInput weekly{kModeWeekly, "", "07:05", "", {}, {}};
  weekly.weekdays[0] = weekly.weekdays[2] = true;
  EXPECT_EQ(BuildJobInfo(weekly, "c", true), (JobSpec{25500000, 0, 0x05, 0x11, "c"}));
  ScheduleInput dates{kModeDatesOnce, "", "", "00:00"};
  dates.days[0] = dates.days[30] = true;
  dates.weekdays[1] = true;  // a hidden frame's ticks are not read
  EXPECT_EQ(BuildJobInfo(dates, "c", true), (JobSpec{0, 0x40000001, 0, 0x10, "c"}));
  ScheduleInput monthly = dates;
  monthly.mode = kModeMonthly;
  EXPECT_EQ(BuildJobInfo(monthly, "c", false).flags, kJobRunPeriodically);
}

TEST(RunNow, QuotedProgramsAndTheFirstBlank) {
  const std::pair<const char*, CommandParts> cases[] = {
      {" notepad.exe C:\\a.txt ", {"notepad.exe", "C:\\a.txt"}},
      {"\"C:\\Program Files\\x.exe\" -a  b", {"C:\\Program Files\\x.exe", "-a  b"}},
      {"\"C:\\a b\\x.exe\"", {"C:\\a b\\x.exe", ""}},
      {"calc", {"calc", ""}},
  };
  for (const auto& [typed, split] : cases) EXPECT_EQ(SplitRunNowCommand(typed), split) << typed;
  EXPECT_EQ(CommandOfPath("C:\\a b\\x.exe"), "\"C:\\a b\\x.exe\"");
  EXPECT_EQ(CommandOfPath("C:\\x.exe"), "C:\\x.exe");
}

// Foreign names in the folder never stop numbering: they are passed over, and the highest
// number wraps to the lowest free one.
TEST(TaskNumbers, OneAboveTheHighestOwnPassingOverEveryNameInUse) {
  struct Case {
    std::set<std::uint32_t> own, taken;
    std::uint32_t next;
  };
  const Case cases[] = {
      {{}, {}, 1},
      {{1, 2}, {1, 2}, 3},
      {{1, 2}, {1, 2, 3, 4}, 5},
      {{3}, {3, 9}, 4},
      {{5}, {5, 99999}, 6},
      {{99999}, {2, 99999}, 1},
      {{99998}, {1, 99998, 99999}, 2},
      {{1, 2, 3}, {1, 2, 3}, 4},
  };
  for (const Case& c : cases) EXPECT_EQ(NextTaskNumber(c.own, c.taken, 99999), c.next);
  EXPECT_EQ(NextTaskNumber({1, 2}, {1, 2}, 2), 0u);
  JobRecord foreign{2000000, {0, 0, 0, 0, "x"}, true};
  EXPECT_EQ(JobRowTexts(foreign)[0], "外部");
}

// A task's program as the system finds it in an unquoted line; apart from the run-now rule.
TEST(TaskProgram, PrefixesEndingAtEachBlankFromTheLeft) {
  const std::set<std::string> files = {"C:\\Program Files\\Tools\\backup.exe", "C:\\Program.exe",
                                       "D:\\a b\\run.bat", "cmd.exe", "E:\\表 ソ\\x.exe"};
  const auto exists = [&files](const std::string& name) { return files.count(name) > 0; };
  struct Case {
    const char* command;
    std::optional<CommandParts> parts;
  };
  const Case cases[] = {
      {"C:\\Program Files\\Tools\\backup.exe /full",
       CommandParts{"C:\\Program.exe", "Files\\Tools\\backup.exe /full"}},
      {"D:\\a b\\run.bat x  y", CommandParts{"D:\\a b\\run.bat", "x  y"}},
      {"D:\\a b\\run.bat", CommandParts{"D:\\a b\\run.bat", ""}},
      {" cmd /c echo 日本語 ", CommandParts{"cmd.exe", "/c echo 日本語"}},
      {"E:\\表 ソ\\x", CommandParts{"E:\\表 ソ\\x.exe", ""}},
      {"\"F:\\q q\\y.exe\" -a", CommandParts{"F:\\q q\\y.exe", "-a"}},  // quoted: as typed
      {"notthere.exe", CommandParts{"notthere.exe", ""}},               // no blank: as typed
      {"G:\\no such\\tool.exe /x", std::nullopt},
      {"   ", std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ResolveProgramCommand(c.command, exists), c.parts) << c.command;
  const std::set<std::string> only = {"C:\\Program Files\\Tools\\backup.exe"};
  EXPECT_EQ(ResolveProgramCommand("C:\\Program Files\\Tools\\backup.exe /full",
                                  [&only](const std::string& n) { return only.count(n) > 0; }),
            (CommandParts{"C:\\Program Files\\Tools\\backup.exe", "/full"}));
}

}  // namespace
}  // namespace zq
