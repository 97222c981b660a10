// The event-log section through the platform seam: synthesized records, exact lines, the
// cut-off, malformed records and the per-section lookups.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/MessageBox.h"
#include "sender/EventLogRecord.h"
#include "sender/SenderMessages.h"
#include "sender/basNTEventLog.h"
#include "tests/support/FakeEventLog.h"

namespace zq {
namespace {

using testing::FakeEventLog;
using testing::RecordBytes;
using testing::Sid;

// 2026-12-06 12:00:00 UTC, the fake's "now".
constexpr std::uint32_t kNow = 1796558400;
constexpr std::uint32_t kDay = 86400;

// The section's lines after the six heading lines.
std::string SectionBody(FakeEventLog& platform, std::int16_t days,
                        std::size_t bufferBytes = kEventReadBufferBytes) {
  // One file per test: CTest runs the tests in parallel processes.
  const auto path = std::filesystem::temp_directory_path() /
                    (std::string("zq_eventlog_") +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log");
  {
    ReportLog log;
    EXPECT_TRUE(ReportLog::CreateEmpty(path.string()) && log.OpenForAppend(path.string()));
    WriteEventLogSection(log, "PC", "System", days, platform, bufferBytes);
    EXPECT_TRUE(log.Close());
  }
  std::ifstream in(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const std::string heading = EventLogSectionHeading("System");
  EXPECT_EQ(text.compare(0, heading.size(), heading), 0);
  return text.substr(std::min(heading.size(), text.size()));
}

TEST(EventLogSection, RecordLinesFieldByField) {
  FakeEventLog platform;
  platform.categoryFiles["Disk"] = "disk.dll";
  platform.texts["disk.dll"] = {{3, "装置\r\nエラー\r\n"}};
  platform.accounts[Sid({18})] = "SYSTEM";
  const auto at = kNow - 3600;  // 2026-12-06 11:00:00
  platform.records = {
      RecordBytes(at, 0x40000064, 1, 3, "Disk", "PC1", Sid({18})),
      RecordBytes(at, 7, 2, 9, "Disk", "PC1"),
      RecordBytes(at, 0xC0010005, 0, 0, "Tcpip", "PC2", Sid({21, 3000000000u, 2, 1001})),
      RecordBytes(at, 8, 16, 0, "Other", "PC2", Sid({21, 1, 2, 3})), RecordBytes(at, 9, 8),
      // Anyone may write Application events: names must not forge report lines.
      RecordBytes(at, 10, 4, 0, "X\r\n情報   2026/12/06 11:00:00 Fake", "PC\n3", Sid({19}))};
  platform.accounts[Sid({19})] = "LOCAL\tSERVICE\x7f";
  EXPECT_EQ(SectionBody(platform, 7),
            "エラー 2026/12/06 11:00:00 Disk 装置エラー 100 SYSTEM PC1\r\n"
            "警告   2026/12/06 11:00:00 Disk なし 7 N/A PC1\r\n"
            "不明   2026/12/06 11:00:00 Tcpip なし 5 S-1-5-21-3000000000-2-1001 PC2\r\n"
            "失敗   2026/12/06 11:00:00 Other なし 8 S-1-5-21-1-2-3 PC2\r\n"
            "成功   2026/12/06 11:00:00 Src なし 9 N/A PC1\r\n"
            "情報   2026/12/06 11:00:00 X  情報   2026/12/06 11:00:00 Fake なし 10 "
            "LOCAL SERVICE  PC 3\r\n");
  EXPECT_EQ(platform.closes, 1);
  EXPECT_EQ(platform.moduleLoads, platform.moduleFrees + 0);  // disk.dll loaded and freed
}

TEST(EventLogSection, CutOffIsStrictlyLaterThanNowMinusDays) {
  const std::uint32_t times[] = {kNow, kNow - 3600, kNow - 7 * kDay + 1, kNow - 7 * kDay,
                                 kNow - 30 * kDay};
  const std::pair<std::int16_t, std::size_t> cases[] = {
      {7, 3},   // the record exactly at the cut-off is left out
      {1, 2},   //
      {0, 0},   // nothing is later than now
      {-1, 0},  // the cut-off lies in the future
  };
  for (const auto& [days, listed] : cases) {
    FakeEventLog platform;
    for (std::uint32_t t : times) platform.records.push_back(RecordBytes(t));
    platform.now = platform.LocalTimeOf(kNow);
    std::string expected;
    for (std::size_t i = 0; i < listed; ++i) {
      expected +=
          EventRecordLine(4, platform.LocalTimeOf(times[i]), "Src", "なし", 1, "N/A", "PC1");
    }
    EXPECT_EQ(SectionBody(platform, days), expected) << "days " << days;
    EXPECT_EQ(platform.reads, 2) << "every record is read whatever the day count";
  }
}

TEST(EventLogSection, ReadsManyRecordsPerCallAndGrowsForALargeOne) {
  FakeEventLog platform;
  for (int i = 0; i < 1000; ++i) platform.records.push_back(RecordBytes(kNow - 60));
  platform.records.push_back(RecordBytes(kNow - 60, 1, 4, 0, std::string(5000, 'S')));
  const std::string body = SectionBody(platform, 1, 4096);
  EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 1001);
  EXPECT_NE(body.find(std::string(256, 'S') + " "), std::string::npos);
  EXPECT_EQ(body.find(std::string(257, 'S')), std::string::npos) << "names are cut at 256 bytes";
}

TEST(EventLogSection, ReadFailureKeepsTheLinesAndShowsABoxOnlyWhenAsked) {
  static std::vector<std::string> shown;
  const auto previous =
      SetMessageBoxFunction([](const std::string& text, const std::string&, unsigned) {
        shown.push_back(text);
        return int{kIdOk};
      });
  for (const char* messages : {"0", "1"}) {
    g_showMessages = messages;
    shown.clear();
    FakeEventLog platform;
    platform.records = {RecordBytes(kNow - 60), RecordBytes(kNow - 60)};
    platform.failAfterReads = 2;
    const std::string body = SectionBody(platform, 1, 100);  // one record per read
    EXPECT_EQ(body.substr(body.find("\r\n") + 2),
              "*** イベントログを読めません（エラー 5）: Access is denied. ***\r\n");
    EXPECT_EQ(shown.size(), std::string(messages) == "1" ? 1u : 0u);
  }
  EXPECT_EQ(shown.at(0),
            "ReadEventLog function fails.\r\nErrNumber = 0x00000005\r\nAccess is denied.");
  g_showMessages.clear();
  SetMessageBoxFunction(previous);
}

TEST(EventLogSection, LogThatCannotBeOpenedSaysSoUnderTheHeading) {
  FakeEventLog platform;
  platform.opens = false;
  platform.records = {RecordBytes(kNow - 60)};
  EXPECT_EQ(SectionBody(platform, 7),
            "*** イベントログを開けません（エラー 5）: Access is denied. ***\r\n");
  EXPECT_EQ(platform.reads + platform.closes, 0);
}

TEST(EventRecordParsing, MalformedRecordsNeverReadOutside) {
  auto good = RecordBytes(kNow, 1, 4, 0, "Src", "PC", Sid({18}));
  struct Case {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> spoil;
    std::string source, computer;
    std::size_t sidBytes;
  };
  const Case cases[] = {
      {"sound", [](auto&) {}, "Src", "PC", 12},
      {"SID offset past the end", [](auto& b) { testing::Put32(b, 44, 100000); }, "Src", "PC", 0},
      {"SID length past the end", [](auto& b) { testing::Put32(b, 40, 0xFFFFFFF0); }, "Src", "PC",
       good.size() - 64},
      {"names without NUL",
       [](auto& b) {
         b.resize(60);
         testing::Put32(b, 0, 60);
       },
       "Src", "", 0},
      {"length beyond the bytes", [](auto& b) { testing::Put32(b, 0, 0x7FFFFFFF); }, "Src", "PC",
       12},
  };
  for (const auto& c : cases) {
    auto bytes = good;
    c.spoil(bytes);
    std::vector<EventRecord> seen;
    ForEachEventRecord(bytes, [&](const EventRecord& r) { seen.push_back(r); });
    ASSERT_EQ(seen.size(), 1u) << c.what;
    EXPECT_EQ(seen[0].sourceName, c.source) << c.what;
    EXPECT_EQ(seen[0].computerName, c.computer) << c.what;
    EXPECT_EQ(seen[0].userSid.size(), c.sidBytes) << c.what;
  }
  // A record claiming a length shorter than its fixed part ends the walk at once.
  auto shortLength = good;
  testing::Put32(shortLength, 0, 8);
  int count = 0;
  ForEachEventRecord(shortLength, [&](const EventRecord&) { ++count; });
  EXPECT_EQ(count, 0);
}

TEST(EventLogText, DaysAreCalendarDays) {
  EXPECT_EQ(AddDays({2024, 3, 1, 5, 6, 7}, -1), (LocalDateTime{2024, 2, 29, 5, 6, 7}));
  EXPECT_EQ(AddDays({2026, 12, 31, 0, 0, 0}, 1), (LocalDateTime{2027, 1, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace zq
