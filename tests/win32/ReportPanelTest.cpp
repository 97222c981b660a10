// The main window's report panel created headless from its real template: which ticks and
// lines allow a submission, two submissions within one clock second into a real work folder
// with its permissions read back, and failures that say why and leave no files behind.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/UniqueHandle.h"
#include "console/frmTervask.h"
#include "console/frmTervaskIds.h"
#include "tests/support/FakeJobStore.h"
#include "tests/win32/RecordedBoxes.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

struct FixedClock : Clock {
  LocalTime Now() const override { return {2004, 3, 5, 14, 7, 9}; }
};

struct NoChooser : FileChooser {
  std::optional<std::string> ChooseProgram(HWND) override { return std::nullopt; }
};

// The DACL of a file or folder in text form; "" when it cannot be read.
std::string DaclText(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {};
  }
  const UniqueLocalMemory owned(descriptor);
  char* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr)) {
    return {};
  }
  const UniqueLocalMemory ownedText(text);
  return text;
}

// Whether a new folder keeps the descriptor it was created with (Wine without stored
// descriptors gives one made from the file's mode instead).
bool KeepsDescriptors(const std::string& probe) {
  return MakeProtectedDirectory(probe) == 0 && DaclText(probe) == kWorkDirectoryAccess;
}

class ReportPanelTest : public ::testing::Test {
 public:
  void SetUp() override {
    test::WriteFileBytes(dir_.File("zqPelmora.exe"), "MZ");  // a sender to check, not to run
    ASSERT_TRUE(form_.Create());
  }

  HWND Item(int id) const { return ::GetDlgItem(form_.window(), id); }
  void Click(int id) const { ::SendMessageA(Item(id), BM_CLICK, 0, 0); }
  void Type(int id, const std::string& text) const { ::SetWindowTextA(Item(id), text.c_str()); }
  void Pick(int mode) const {
    ::SendMessageA(Item(IDC_comboCondition), CB_SETCURSEL, mode, 0);
    ::SendMessageA(form_.window(), WM_COMMAND, MAKEWPARAM(IDC_comboCondition, CBN_SELCHANGE), 0);
  }
  void Submit() const { ::SendMessageA(form_.window(), WM_COMMAND, IDB_cmdSubmit, 0); }
  std::string Work(const std::string& name) const { return dir_.File("CMD\\" + name); }

  test::RecordedBoxes boxes_;  // first made, last gone: it outlives the window
  test::TempDir dir_;
  testing::FakeJobStore store_;
  NoChooser chooser_;
  FixedClock clock_;
  frmTervask form_{store_, chooser_, clock_, dir_.path()};
};

TEST_F(ReportPanelTest, OnlyContentAllowsASubmission) {
  EXPECT_FALSE(::IsWindowEnabled(Item(IDB_cmdSubmit)));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDE_txtCommand0)));
  EXPECT_EQ(test::ItemText(form_.window(), IDL_lblDays), "3");
  const struct {
    const char* step;
    void (*act)(const ReportPanelTest&);
    bool enabled;
  } steps[] = {
      {"services alone", [](const ReportPanelTest& t) { t.Click(IDX_chkJob0 + 1); }, true},
      {"services off", [](const ReportPanelTest& t) { t.Click(IDX_chkJob0 + 1); }, false},
      {"event logs, none ticked", [](const ReportPanelTest& t) { t.Click(IDX_chkJob0); }, false},
      {"system log", [](const ReportPanelTest& t) { t.Click(IDX_chkEventLog0); }, true},
      {"event section off", [](const ReportPanelTest& t) { t.Click(IDX_chkJob0); }, false},
      {"on again: the tick kept", [](const ReportPanelTest& t) { t.Click(IDX_chkJob0); }, true},
      {"off; mail alone",
       [](const ReportPanelTest& t) {
         t.Click(IDX_chkJob0);
         t.Click(IDX_chkJob0 + 3);
       },
       false},
      {"a mode chosen", [](const ReportPanelTest& t) { t.Pick(kModeRunNow); }, false},
      {"commands, all empty", [](const ReportPanelTest& t) { t.Click(IDX_chkJob0 + 2); }, false},
      {"a blank in line 3", [](const ReportPanelTest& t) { t.Type(IDE_txtCommand0 + 2, " "); },
       true},
  };
  for (const auto& s : steps) {
    s.act(*this);
    EXPECT_EQ(::IsWindowEnabled(Item(IDB_cmdSubmit)) != FALSE, s.enabled) << s.step;
  }
  EXPECT_TRUE(::IsWindowEnabled(Item(IDE_txtSmtpServer)));
  EXPECT_TRUE(::IsWindowEnabled(Item(IDE_txtRetryMinutes)));
  EXPECT_EQ(WindowTextOf(Item(IDE_txtRetryMinutes)), "10");
  EXPECT_TRUE(::IsWindowEnabled(Item(IDE_txtCommand0 + 4)));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDX_chkEventLog0))) << "the event section is off";
}

TEST_F(ReportPanelTest, TwoSubmissionsInOneSecondGiveTwoWholePairs) {
  Click(IDX_chkJob0 + 1);
  Click(IDX_chkJob0 + 2);
  Type(IDE_txtCommand0, "ver");
  Pick(kModeWeekly);
  Click(IDX_chkWeek0);
  Type(IDE_txtWeekTime, "03:00");
  Submit();
  const std::string first = test::ReadFileBytes(Work("040305140709"));
  ASSERT_NE(first.find("\r\nCmd1=\"ver\"\r\n"), std::string::npos);
  Type(IDE_txtCommand0, "hostname");
  Click(IDO_optService0 + 2);  // changed after the last line edit: still in the file
  Submit();

  EXPECT_EQ(test::ReadFileBytes(Work("040305140709")), first) << "the first pair is kept";
  const std::string second = test::ReadFileBytes(Work("040305140709_2"));
  EXPECT_NE(second.find("\r\nService=STOP\r\nCmd1=\"hostname\"\r\n"), std::string::npos);
  EXPECT_EQ(test::ReadFileBytes(Work("040305140709_2.CMD")),
            BatchFileText(dir_.path(), "040305140709_2"));
  ASSERT_EQ(store_.jobs.size(), 2u);
  for (const auto& [name, job] : {std::pair{"040305140709.CMD", store_.jobs[0].job},
                                  std::pair{"040305140709_2.CMD", store_.jobs[1].job}}) {
    EXPECT_EQ(job.command, "\"" + Work(name) + "\"");
    EXPECT_EQ(job.jobTime, 3u * 3600 * 1000);
    EXPECT_EQ(job.daysOfWeek, 0x01);
    EXPECT_EQ(job.flags, kJobRunPeriodically | kJobNonInteractive);
  }
  EXPECT_EQ(boxes_.texts, (std::vector<std::string>{JobAddedText(1), JobAddedText(2)}));
}

TEST_F(ReportPanelTest, TheWorkFolderIsForSystemAndAdministratorsOnly) {
  Click(IDX_chkJob0 + 1);
  Pick(kModeRunNow);
  Submit();  // no sender here: the start fails, the folder and the pair are made
  ASSERT_TRUE(std::filesystem::is_directory(dir_.File("CMD")));
  if (!KeepsDescriptors(dir_.File("probe"))) {
    GTEST_SKIP() << "could not check the work folder's permissions: descriptors given to "
                    "new folders are not kept here";
  }
  EXPECT_EQ(DaclText(dir_.File("CMD")), kWorkDirectoryAccess);
  EXPECT_EQ(DaclText(Work("040305140709")), "D:(A;ID;FA;;;SY)(A;ID;FA;;;BA)");
}

// The job list's 前回結果 of report jobs of the program folder, from the files of their last
// run; other jobs show none.
TEST_F(ReportPanelTest, TheJobListShowsEachReportJobsLastRun) {
  ASSERT_EQ(MakeProtectedDirectory(dir_.File("CMD")), 0u);
  test::WriteFileBytes(Work("a.log"), "report");
  test::WriteFileBytes(Work("a.mail.log"), "12:00:00.000 * 終了コード 10\r\n");
  test::WriteFileBytes(Work("b.log"), "report");
  store_.jobs = {{1, {0, 0, 0, 0, "\"" + Work("a.CMD") + "\""}},
                 {2, {0, 0, 0, 0, Work("b.CMD")}},
                 {3, {0, 0, 0, 0, Work("never.CMD")}},
                 {4, {0, 0, 0, 0, "notepad.exe"}}};
  ::SendMessageA(form_.window(), WM_COMMAND, IDB_cmdRefresh, 0);
  std::vector<std::string> shown;
  for (int row = 0; row < 4; ++row) {
    char text[256] = {};
    LVITEMA item{};
    item.iSubItem = 7;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendDlgItemMessageA(form_.window(), IDV_lstJobs, LVM_GETITEMTEXTA, row,
                          reinterpret_cast<LPARAM>(&item));
    shown.push_back(text);
  }
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_NE(shown[0].find(" 10: サーバーに接続できませんでした。"), std::string::npos) << shown[0];
  EXPECT_NE(shown[1].find(" レポートを作成しました（メールなし）"), std::string::npos) << shown[1];
  EXPECT_EQ(shown[2], "未実行");
  EXPECT_EQ(shown[3], "");
}

TEST_F(ReportPanelTest, FailuresSayWhyAndLeaveNoFilesBehindThem) {
  Click(IDX_chkJob0 + 1);
  Pick(kModeOnce);
  Type(IDE_txtTime, "23:59");
  store_.refuseAdd = 2185;
  Submit();
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("CMD"))) << "no job points to them";

  // No sender in the program folder; the parameter path holds a blank and goes in quotes.
  boxes_.texts.clear();
  ASSERT_TRUE(::DeleteFileA(dir_.File("zqPelmora.exe").c_str()));
  Pick(kModeRunNow);
  Submit();
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0].rfind("アプリケーションの起動に失敗しました！\r\n" +
                                      dir_.File("zqPelmora.exe") + " \"" + Work("040305140709") +
                                      "\"\r\n",
                                  0),
            0u)
      << boxes_.texts[0];

  boxes_.texts.clear();
  test::WriteFileBytes(dir_.File("blocked"), "");
  frmTervask blocked(store_, chooser_, clock_, dir_.File("blocked"));  // CMD under a file
  ASSERT_TRUE(blocked.Create());
  ::SendMessageA(::GetDlgItem(blocked.window(), IDX_chkJob0 + 1), BM_CLICK, 0, 0);
  ::SendMessageA(::GetDlgItem(blocked.window(), IDC_comboCondition), CB_SETCURSEL, 0, 0);
  ::SendMessageA(blocked.window(), WM_COMMAND, IDB_cmdSubmit, 0);
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(
      boxes_.texts[0].rfind("アプリケーションエラー！\r\n" + dir_.File("blocked\\CMD") + "\r\n", 0),
      0u);
}

}  // namespace
}  // namespace zq
