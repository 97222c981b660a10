// The report submission's portable texts: the parameter file byte for byte, its key lines for
// the sections left out, the report names and the batch file's lines. Hostile values are read
// back by the sender in win32/ReadParameterTest.
#include <gtest/gtest.h>

#include "common/ReportContract.h"
#include "console/report/LastRun.h"
#include "console/report/ReportFiles.h"
#include "console/report/ReportParameters.h"

namespace zq {
namespace {

// Lines 20 on of a parameter text (the key lines), each without its CR LF.
std::vector<std::string> KeyLines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return {lines.begin() + 19, lines.end()};
}

ReportPanel ExamplePanel() {
  ReportPanel panel;
  panel.sections = {true, true, true, false};
  panel.eventLogs = {true, false, true};
  panel.days = " 7";
  panel.commands[0] = "ipconfig /all";
  panel.mail = {"mail.example.jp", "25", "zq@example.jp", "a@x;b@x", "週報"};
  return panel;
}

TEST(ParameterText, TheWholeFileOfTheExample) {
  const std::string expected =
      ";-----------------------------------------------------------\r\n"
      ";C:\\Tools\\R\\zqPelmora.exeの実行パラメータ\r\n"
      ";Event       : (S)ystem, s(E)curity, (A)pplication\r\n"
      ";EventDays   : (指定日数前から現在まで)\r\n"
      ";Service     : ALL(すべて), Start(開始), Stop(停止)\r\n"
      ";Cmd1        : (コンソールコマンド１)\r\n"
      ";Cmd2        : (コンソールコマンド２)\r\n"
      ";Cmd3        : (コンソールコマンド３)\r\n"
      ";Cmd4        : (コンソールコマンド４)\r\n"
      ";Cmd5        : (コンソールコマンド５)\r\n"
      ";SmtpServer  :（SMTPサーバのホスト名もしくはIPアドレス）\r\n"
      ";SmtpPort   :（SMTPサーバのポート番号）\r\n"
      ";SmtpFrom   :（メールの送信元アドレス）\r\n"
      ";SmtpTo     :（メールの送信先アドレス）\r\n"
      ";SmtpSubject:（メールのタイトル）\r\n"
      ";-----------------------------------------------------------\r\n"
      ";このパラメータファイルは2004/03/05 14:07:09に作成されました。\r\n"
      ";-----------------------------------------------------------\r\n"
      "[zqPelmora.exe]\r\n"
      "Event=SA\r\nEventDays=7\r\nService=ALL\r\nCmd1=\"ipconfig /all\"\r\n"
      "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
      "\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
  EXPECT_EQ(BuildParameterText(ExamplePanel(), "C:\\Tools\\R", "2004/03/05 14:07:09"), expected);
  // At a drive root the sender's path has one backslash.
  EXPECT_NE(BuildParameterText(ExamplePanel(), "C:\\", "").find(";C:\\zqPelmora.exeの"),
            std::string::npos);
}

// The key lines of a file that writes one key only.
std::vector<std::string> OnlyKeyLine(ReportKey key, const std::string& line) {
  std::vector<std::string> lines(kReportKeyCount);
  lines[key] = line;
  return lines;
}

TEST(ParameterText, KeyLinesKeepTheirPlacesAndValuesTheirLines) {
  struct Case {
    const char* name;
    void (*change)(ReportPanel&);
    std::vector<std::string> lines;
  } const cases[] = {
      {"no log ticked: no event lines",
       [](ReportPanel& p) {
         p.eventLogs = {};
         p.sections[kSectionCommands] = false;
       },
       OnlyKeyLine(kKeyService, "Service=ALL")},
      {"sections off keep their contents out; stopped services",
       [](ReportPanel& p) {
         p.sections = {false, true, false, false};
         p.service = 2;
       },
       OnlyKeyLine(kKeyService, "Service=STOP")},
  };
  for (const Case& c : cases) {
    ReportPanel panel = ExamplePanel();
    c.change(panel);
    EXPECT_EQ(KeyLines(BuildParameterText(panel, "C:\\zq", "")), c.lines) << c.name;
  }
}

TEST(ReportFiles, NamesFromTheMomentAndBatchLinesForEveryKindOfDirectory) {
  const LocalTime moment{2004, 3, 5, 14, 7, 9};
  EXPECT_EQ(ReportFileName(moment, 1), "040305140709");
  EXPECT_EQ(ReportFileName(moment, 3), "040305140709_3");
  EXPECT_EQ(ReportFileName({2010, 12, 31, 0, 0, 0}, 1), "101231000000");
  // Only "not found" frees a name: a denied look is no reason to pass it over (and to end,
  // a thousand names later, with "exists").
  EXPECT_EQ(NameStateOf(true, 0), NameState::kTaken);
  EXPECT_EQ(NameStateOf(false, 2), NameState::kFree);
  EXPECT_EQ(NameStateOf(false, 5), NameState::kUnknown);
  EXPECT_EQ(NameStateOf(false, 3), NameState::kUnknown);

  const std::pair<const char*, const char*> cases[] = {
      {"C:\\Tools\\R", "C:\r\nCD C:\\Tools\\R\r\n\"C:\\Tools\\R\\zqPelmora.exe\" CMD\\N\r\n"},
      {"C:\\", "C:\r\nCD C:\\\r\n\"C:\\zqPelmora.exe\" CMD\\N\r\n"},
      {"D:\\Program Files\\zq 週報",
       "D:\r\nCD D:\\Program Files\\zq 週報\r\n"
       "\"D:\\Program Files\\zq 週報\\zqPelmora.exe\" CMD\\N\r\n"},
      // ポ and ソ end in the bytes of | and \ : no quoting for them.
      {"C:\\ポソ", "C:\r\nCD C:\\ポソ\r\n\"C:\\ポソ\\zqPelmora.exe\" CMD\\N\r\n"},
      {"C:\\a&b\\100%",
       "C:\r\nCD \"C:\\a&b\\100%%\"\r\n\"C:\\a&b\\100%%\\zqPelmora.exe\" CMD\\N\r\n"},
      {"\\\\server\\share\\zq",
       "PUSHD \"\\\\server\\share\\zq\"\r\n\"\\\\server\\share\\zq\\zqPelmora.exe\" CMD\\N\r\n"
       "POPD\r\n"},
  };
  for (const auto& [directory, text] : cases) {
    EXPECT_EQ(BatchFileText(directory, "N"), text) << directory;
  }
}

}  // namespace
}  // namespace zq

namespace zq {
namespace {

TEST(LastRun, ReportJobsAndTheOutcomeOfTheirLastRun) {
  EXPECT_EQ(ReportParameterOfCommand("\"C:\\Tools\\R\\CMD\\261208030000.CMD\"", "C:\\Tools\\R"),
            "C:\\Tools\\R\\CMD\\261208030000");
  EXPECT_EQ(ReportParameterOfCommand("c:\\tools\\r\\cmd\\a.cmd", "C:\\Tools\\R"),
            "c:\\tools\\r\\cmd\\a");
  for (const char* other : {"C:\\Tools\\R\\CMD\\sub\\a.CMD", "C:\\Tools\\R\\a.CMD",
                            "C:\\Tools\\R\\CMD\\.CMD", "notepad.exe"}) {
    EXPECT_EQ(ReportParameterOfCommand(other, "C:\\Tools\\R"), std::nullopt) << other;
  }
  const FileLook none, early{true, {2026, 12, 8, 3, 0, 5}}, late{true, {2026, 12, 8, 3, 0, 47}};
  const std::string ended = "03:00:46.100 * 中継サーバー r:25 が受け付けました（試行 3 回）\r\n";
  struct Case {
    FileLook log, trace;
    std::string tail, text;
  } const cases[] = {
      {none, none, "", kNeverRunText},
      {early, none, "", "2026/12/08 03:00 レポートを作成しました（メールなし）"},
      {early, late, ended + "03:00:47.000 * 終了コード 0\r\n",
       "2026/12/08 03:00 0: 送信に成功しました。"},
      {early, late, "x * 終了コード 23\r\n",
       std::string("2026/12/08 03:00 23: ") + kExitCodeTexts[kMailOutcomeUnknown]},
      {early, late, "x * 終了コード 99\r\n", "2026/12/08 03:00 99: 不明な終了コード"},
      {early, late, ended, "2026/12/08 03:00 実行中または中断"},
      {late, early, "x * 終了コード 0\r\n", "2026/12/08 03:00 実行中"},  // a new run is writing
  };
  for (const Case& c : cases) EXPECT_EQ(LastRunText(c.log, c.trace, c.tail), c.text) << c.tail;
}

}  // namespace
}  // namespace zq
