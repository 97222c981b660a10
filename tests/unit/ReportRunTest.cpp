// The report run driver: section order, what each value selects, the error trace and the
// mail hand-over, against real files in a temporary directory.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "sender/ReportRun.h"
#include "sender/SenderMessages.h"

namespace zq {
namespace {

namespace fs = std::filesystem;

TEST(DayCount, ConvertsLikeTheSystemIntegerConversion) {
  const std::pair<const char*, int> accepted[] = {
      {"7", 7},   {" 7 ", 7}, {"+5", 5},        {"-3", -3},         {"2.5", 2},
      {"3.5", 4}, {".5", 0},  {"32767", 32767}, {"-32768", -32768}, {"0.51", 1}};
  for (const auto& [text, value] : accepted) {
    const auto r = ToInteger16(text);
    EXPECT_TRUE(r.ok && r.value == value && r.error.empty()) << '"' << text << '"';
  }
  const std::pair<const char*, const char*> rejected[] = {
      {"32768", kOverflowText},   {"-32769", kOverflowText},
      {"32767.5", kOverflowText}, {"99999999999999999999", kOverflowText},
      {"", kTypeMismatchText},    {"abc", kTypeMismatchText},
      {"7x", kTypeMismatchText},  {"-", kTypeMismatchText},
      {"1 2", kTypeMismatchText}};
  for (const auto& [text, error] : rejected) {
    const auto r = ToInteger16(text);
    EXPECT_FALSE(r.ok) << '"' << text << '"';
    EXPECT_EQ(r.error, error) << '"' << text << '"';
  }
}

TEST(Selection, LettersAndWordsSelectSectionsAsWholeCharacters) {
  EXPECT_EQ(EventLogsOf("EAS"), (std::vector<std::string>{"System", "Security", "Application"}));
  EXPECT_EQ(EventLogsOf("ゴA"), (std::vector<std::string>{"Application"}));  // trail byte 'S'
  EXPECT_TRUE(EventLogsOf("sea").empty());
  EXPECT_TRUE(EventLogsOf("アゴ").empty());  // trail bytes 'A' and 'S'
  const std::pair<const char*, int> words[] = {{"ALL", 3},       {"START", 1}, {"STOP", 2},
                                               {"STARTSTOP", 1}, {"start", 0}, {"アLL", 0},
                                               {"表START", 1}};
  for (const auto& [word, filter] : words) EXPECT_EQ(ServiceFilterOf(word), filter) << word;
}

// Records the calls; sections write a marker line; commands append their "output".
class FakeSections : public ReportSections {
 public:
  explicit FakeSections(std::string logPath) : logPath_(std::move(logPath)) {}

  void WriteEventLogSection(ReportLog& log, const std::string& computer, const std::string& name,
                            std::int16_t days) override {
    calls.push_back("event " + name + " " + std::to_string(days) + " " + computer);
    if (name == throwIn) throw std::runtime_error("内部エラー");
    log.Write("[" + name + "]\r\n");
  }
  void WriteServiceSection(ReportLog& log, const std::string&, std::int32_t filter) override {
    calls.push_back("service " + std::to_string(filter));
    if (throwIn == "service") throw std::bad_alloc();
    log.Write("[services]\r\n");
  }
  CommandOutcome ExecuteCommand(const std::string& command, const std::string& log,
                                unsigned limit) override {
    calls.push_back("command " + command + " " + log + " " + std::to_string(limit));
    if (throwIn == "command") throw std::runtime_error("起動エラー");
    if (commandResult == kCommandFailedToStart) return {commandResult, {2, "見つかりません。"}};
    // The command appends to the log, which the driver must have closed.
    std::FILE* file = std::fopen(logPath_.c_str(), "ab");
    std::fputs(commandOutput.c_str(), file);
    std::fclose(file);
    return {commandResult, 0, {}};
  }
  int SendEmail(const MailInputs& inputs) override {
    calls.push_back("mail");
    mail = inputs;
    showMessagesAtMail = g_showMessages;
    return mailResult;
  }
  std::string DateText() override { return "2026/12/06"; }
  std::string TimeText() override { return "9:05:01"; }

  std::vector<std::string> calls;
  std::string throwIn;
  std::string commandOutput = "out\r\n";
  int commandResult = kCommandEnded;
  int mailResult = kExitOk;
  MailInputs mail;
  std::string showMessagesAtMail;

 private:
  std::string logPath_;
};

class ReportRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::temp_directory_path() /
        ("zq report " + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    setup_.parameterPath = (dir_ / "r.ini").string();
    setup_.arguments = " " + setup_.parameterPath;
    setup_.computerName = "HOST";
    setup_.commandTimeLimitSeconds = 5;
    logPath_ = setup_.parameterPath + ".log";
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Log() const {
    std::ifstream in(logPath_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string CommandCall(const std::string& command) const {
    return "command " + command + " " + logPath_ + " 5";
  }

  fs::path dir_;
  RunSetup setup_;
  std::string logPath_;
};

TEST_F(ReportRunTest, SectionsFollowTheFixedOrder) {
  RunValues values;
  values.event = "EAS";
  values.eventDays = " 7";
  values.service = "STARTSTOP";
  values.commands[2] = "ver";
  FakeSections fake(logPath_);
  std::ofstream(logPath_) << "old report";
  EXPECT_EQ(RunReport(values, setup_, fake), kExitOk);
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"event System 7 HOST", "event Security 7 HOST",
                                                  "event Application 7 HOST", "service 1",
                                                  CommandCall("ver")}));
  EXPECT_EQ(Log(), "[System]\r\n[Security]\r\n[Application]\r\n[services]\r\n" +
                       CommandSectionHeading("ver") + "out\r\n");
}

TEST_F(ReportRunTest, AFailingSectionLeavesATraceAndTheRunGoesOn) {
  RunValues values;
  values.event = "SA";
  values.eventDays = "7";
  values.service = "ALL";
  values.commands[0] = "dir";
  values.smtpServer = "mail.example.jp";
  FakeSections fake(logPath_);
  fake.throwIn = "System";
  EXPECT_EQ(RunReport(values, setup_, fake), kExitOk);
  EXPECT_EQ(Log(), "アプリケーションエラー！\r\n内部エラー\r\n[Application]\r\n[services]\r\n" +
                       CommandSectionHeading("dir") + "out\r\n");
  EXPECT_EQ(fake.calls.back(), "mail");
}

TEST_F(ReportRunTest, ABadDayCountIsTracedOnceAndTheRunGoesOn) {
  for (const char* days : {"abc", "", "40000"}) {
    RunValues values;
    values.event = "SEA";
    values.eventDays = days;
    values.service = "ALL";
    FakeSections fake(logPath_);
    fake.throwIn = "service";
    EXPECT_EQ(RunReport(values, setup_, fake), kExitOk);
    const std::string error = ToInteger16(days).error;
    EXPECT_EQ(Log(), ErrorTrace(error) + ErrorTrace(kOutOfMemoryText)) << days;
    EXPECT_EQ(fake.calls, std::vector<std::string>{"service 3"});
  }
}

TEST_F(ReportRunTest, AStoppedOrUnstartedCommandGetsItsLineOnALineOfItsOwn) {
  RunValues values;
  values.commands[1] = "set /p X=?";
  values.commands[4] = "ver";
  FakeSections fake(logPath_);
  fake.commandResult = kCommandTimedOut;
  fake.commandOutput = "?";
  EXPECT_EQ(RunReport(values, setup_, fake), kExitOk);
  const std::string stopped = CommandTimeoutLine(5) + "\r\n";
  EXPECT_EQ(Log(), CommandSectionHeading("set /p X=?") + "?\r\n" + stopped +
                       CommandSectionHeading("ver") + "?\r\n" + stopped);

  fake.commandResult = kCommandFailedToStart;
  EXPECT_EQ(RunReport(values, setup_, fake), kExitOk);
  const std::string failed = "*** コマンドを開始できません（エラー 2）: 見つかりません。 ***\r\n";
  EXPECT_EQ(Log(),
            CommandSectionHeading("set /p X=?") + failed + CommandSectionHeading("ver") + failed);
}

TEST_F(ReportRunTest, MailGetsTheReportAndItsOutcomeIsTheExitCode) {
  RunValues values;
  values.smtpServer = "mail.example.jp";
  values.smtpTo = "a@example.jp;b@example.jp";
  FakeSections fake(logPath_);
  fake.mailResult = kMailRejected;
  g_showMessages = "1";
  EXPECT_EQ(RunReport(values, setup_, fake), kMailRejected);
  EXPECT_EQ(fake.showMessagesAtMail, "0");
  EXPECT_EQ(fake.mail.recipients, values.smtpTo);
  EXPECT_EQ(fake.mail.attachments, logPath_);
  EXPECT_EQ(fake.mail.body, MailBodyText("2026/12/06", "9:05:01", setup_.arguments));
  g_showMessages.clear();
}

}  // namespace
}  // namespace zq
