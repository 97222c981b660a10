// The general job dialog created headless from its real template: a weekly job added to the
// real service with the exact command, refusals and their messages through the fake, run
// now through the shell with a quoted program, browse quoting a path with a blank.
#include "console/jobs/frmAddJob.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/MessageBox.h"
#include "console/jobs/basScheduleJob_win.h"
#include "console/jobs/frmAddJobIds.h"
#include "tests/support/FakeJobStore.h"
#include "tests/win32/RecordedBoxes.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

struct FakeChooser : FileChooser {
  std::optional<std::string> path;
  std::optional<std::string> ChooseProgram(HWND) override { return path; }
};

class AddJobTest : public ::testing::Test {
 protected:
  // Types a command, picks a mode, ticks boxes, sets the mode's time and submits.
  void Submit(frmAddJob& dialog, const std::string& command, int mode,
              std::initializer_list<int> ticks = {}, const char* time = "") {
    const HWND w = dialog.window();
    ::SetDlgItemTextA(w, IDE_txtCommand, command.c_str());
    ::SendDlgItemMessageA(w, IDC_comboCondition, CB_SETCURSEL, mode, 0);
    ::SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_comboCondition, CBN_SELCHANGE), 0);
    for (const int id : ticks) ::CheckDlgButton(w, id, BST_CHECKED);
    for (const int box : {IDE_txtTime, IDE_txtWeekTime, IDE_txtDayTime})
      ::SetDlgItemTextA(w, box, time);
    ::SendMessageA(w, WM_COMMAND, IDB_cmdSubmit, 0);
  }

  FakeChooser chooser_;
  test::RecordedBoxes boxes_;
};

TEST_F(AddJobTest, AWeeklyJobReachesTheRealServiceWithItsCommand) {
  ServiceJobStore store;
  frmAddJob dialog(store, chooser_);
  ASSERT_TRUE(dialog.Create());
  EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog.window(), IDB_cmdSubmit)));
  // A Japanese command of 300 characters comes back whole.
  std::string command = "zq-addjob-test " + std::to_string(::GetCurrentProcessId()) + " ";
  while (command.size() < 300) command += "表";  // trail byte 0x5C
  Submit(dialog, command, kModeWeekly, {IDX_chkWeek0, IDX_chkWeek0 + 4}, "08:30");
  std::optional<JobRecord> added;
  ListJobs(store, [&](const JobRecord& r) {
    if (r.job.command == command) added = r;
  });
  ASSERT_TRUE(added);
  EXPECT_EQ(boxes_.texts, std::vector<std::string>{JobAddedText(added->id)});
  EXPECT_EQ(store.Delete(added->id), 0u);
  EXPECT_NE(store.Delete(added->id), 0u) << "a job that is gone cannot be deleted";
  EXPECT_NE(dialog.window(), nullptr) << "the dialog stays open for the next job";
}

TEST_F(AddJobTest, RefusalsAndTheirMessages) {
  testing::FakeJobStore store;
  frmAddJob dialog(store, chooser_);
  ASSERT_TRUE(dialog.Create());
  const struct {
    const char* command;
    int mode;
    const char* time;
    std::string message;
  } cases[] = {
      {"  ", kModeWeekly, "", "コマンドを指定してください！"},
      {"a.bat", kModeOnce, "8:30", "時刻のフォーマットが正しくありません！"},
  };
  for (const auto& c : cases) {
    boxes_.texts.clear();
    Submit(dialog, c.command, c.mode, {}, c.time);
    EXPECT_EQ(boxes_.texts, std::vector<std::string>{c.message});
  }
  store.refuseAdd = 2185;
  boxes_.texts.clear();
  Submit(dialog, "a.bat", kModeOnce, {}, "23:59");
  EXPECT_EQ(boxes_.texts,
            std::vector<std::string>{"ジョブを追加できませんでした。\r\nエラーコード: 2185"});
  EXPECT_TRUE(store.jobs.empty());
}

TEST_F(AddJobTest, RunNowThroughTheShellAndBrowseQuotesBlanks) {
  testing::FakeJobStore store;
  test::TempDir dir;
  frmAddJob dialog(store, chooser_);
  ASSERT_TRUE(dialog.Create());
  // A program in a folder with a blank, quoted, with parameters: it writes its child's id.
  const std::string program = dir.File("zq sleeper.exe");
  ASSERT_TRUE(
      ::CopyFileA(test::BesideTestProgram("zq_sleeper.exe").c_str(), program.c_str(), FALSE));
  const std::string out = dir.File("child id.txt");
  Submit(dialog, "\"" + program + "\" 0 \"" + out + "\"", kModeRunNow);
  for (int i = 0; i < 200 && test::ReadFileBytes(out).empty(); ++i) ::Sleep(50);
  EXPECT_FALSE(test::ReadFileBytes(out).empty()) << "the program ran with its parameters";
  EXPECT_TRUE(boxes_.texts.empty());
  Submit(dialog, dir.File("missing.exe"), kModeRunNow);
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0].rfind(
                "アプリケーションの起動に失敗しました！\r\n" + dir.File("missing.exe") + "\r\n", 0),
            0u);
  EXPECT_TRUE(store.jobs.empty());

  chooser_.path = dir.File("a b.exe");
  ::SendMessageA(dialog.window(), WM_COMMAND, IDB_cmdBrowse, 0);
  EXPECT_EQ(test::ItemText(dialog.window(), IDE_txtCommand), "\"" + dir.File("a b.exe") + "\"");
  chooser_.path.reset();  // cancelled: the text stays
  ::SendMessageA(dialog.window(), WM_COMMAND, IDB_cmdBrowse, 0);
  EXPECT_EQ(test::ItemText(dialog.window(), IDE_txtCommand), "\"" + dir.File("a b.exe") + "\"");
}

}  // namespace
}  // namespace zq
