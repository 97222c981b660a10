// The console's main window created headless from its real template: the frame filled from
// the settings, the status bar's date and time, the help file that is not there, closing;
// the job list through the fake store (pages, refusals, a failed listing) and the real
// service (delete on Yes only).
#include "console/frmTervask.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/frmTervaskIds.h"
#include "common/UniqueHandle.h"
#include "console/jobs/BoundedJobStore_win.h"
#include "console/jobs/basScheduleJob_win.h"
#include "tests/support/FakeJobStore.h"
#include "tests/win32/RecordedBoxes.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

// The job list's rows as their id column and command column.
std::vector<std::pair<std::string, std::string>> Rows(HWND window) {
  const HWND list = ::GetDlgItem(window, IDV_lstJobs);
  std::vector<std::pair<std::string, std::string>> rows;
  const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    char id[32] = {}, command[1024] = {};
    LVITEMA item{};
    item.iSubItem = 1;
    item.pszText = id;
    item.cchTextMax = sizeof id;
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    item.iSubItem = 6;
    item.pszText = command;
    item.cchTextMax = sizeof command;
    ::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    rows.emplace_back(id, command);
  }
  return rows;
}

// Selects the row whose command is `command`; false when there is none.
bool Select(HWND window, const std::string& command) {
  const auto rows = Rows(window);
  for (std::size_t row = 0; row < rows.size(); ++row) {
    if (rows[row].second != command) continue;
    LVITEMA item{};
    item.stateMask = item.state = LVIS_SELECTED;
    ::SendDlgItemMessageA(window, IDV_lstJobs, LVM_SETITEMSTATE, row,
                          reinterpret_cast<LPARAM>(&item));
    return true;
  }
  return false;
}

class JobListTest : public ::testing::Test {
 protected:
  test::RecordedBoxes boxes_;
};

TEST_F(JobListTest, PagesRefusalsAndAFailedListingThroughTheFake) {
  testing::FakeJobStore jobs;
  for (std::uint32_t id = 1; id <= 1000; ++id)
    jobs.jobs.push_back({id, {0, 0, 0, 0, "c" + std::to_string(id)}});
  jobs.pageSize = 300;
  frmTervask form(jobs);
  ASSERT_TRUE(form.Open());
  const auto rows = Rows(form.window());
  ASSERT_EQ(rows.size(), 1000u);
  EXPECT_EQ(rows[999], std::make_pair(std::string("1000"), std::string("c1000")));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(form.window(), IDB_cmdDelete)));
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(form.window(), IDB_cmdAdd)));

  ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdDelete, 0);  // no row selected
  EXPECT_TRUE(boxes_.texts.empty());
  jobs.refuseDelete = 2185;
  boxes_.answer = kIdYes;
  ASSERT_TRUE(Select(form.window(), "c7"));
  ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdDelete, 0);
  EXPECT_EQ(boxes_.texts,
            (std::vector<std::string>{"ジョブ7を削除しますか？",
                                      "ジョブ7を削除できませんでした。\r\nエラーコード: 2185"}));
  boxes_.texts.clear();
  jobs.failEnumerateOnCall = jobs.enumerateCalls + 2;  // the second page of the next listing
  ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdRefresh, 0);
  EXPECT_EQ(Rows(form.window()).size(), 300u);
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], jobs.ErrorText(1753));
}

TEST_F(JobListTest, TheRealServiceListsAJobAndDeletesItOnYesOnly) {
  ServiceJobStore jobs;
  const std::string command = "zq-joblist-test 日本語 " + std::to_string(::GetCurrentProcessId());
  std::uint32_t id = 0;
  ASSERT_EQ(jobs.Add({0, 0, 0, kJobNonInteractive, command}, id), 0u);
  frmTervask form(jobs);
  ASSERT_TRUE(form.Open());
  ASSERT_TRUE(Select(form.window(), command));
  boxes_.answer = kIdNo;
  ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdDelete, 0);
  EXPECT_EQ(boxes_.texts,
            std::vector<std::string>{"ジョブ" + std::to_string(id) + "を削除しますか？"});
  ASSERT_TRUE(Select(form.window(), command)) << "No keeps the job";
  boxes_.answer = kIdYes;
  ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdDelete, 0);
  EXPECT_FALSE(Select(form.window(), command));
  if (Select(form.window(), command)) jobs.Delete(id);
}

std::string PanelText(HWND window, int panel) {
  char text[128] = {};
  ::SendDlgItemMessageA(window, IDS_StatusBar1, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST_F(JobListTest, AStoppedServiceIsNotCalledAndTheWindowStays) {
  ServiceJobStore stopped("msiserver");  // a demand-start service that is not running
  frmTervask form(stopped);
  ASSERT_TRUE(form.Open());
  EXPECT_EQ(boxes_.texts, std::vector<std::string>{NetErrorLine(1753, stopped.ErrorText(1753))});
  EXPECT_TRUE(Rows(form.window()).empty());
  EXPECT_EQ(PanelText(form.window(), 0), "AT（Schedule サービス）");
  EXPECT_NE(form.window(), nullptr);
}

// A scheduler that does not answer: the window is up and usable, the status bar says so.
TEST_F(JobListTest, TheWindowShowsWhileTheSchedulerDoesNotAnswer) {
  struct BlockingStore : testing::FakeJobStore {
    HANDLE release = nullptr;
    Page Enumerate(std::uint32_t& resume) override {
      ::WaitForSingleObject(release, 30000);
      return FakeJobStore::Enumerate(resume);
    }
  };
  const UniqueHandle release(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  BoundedJobStore store(
      [handle = release.get()] {
        auto blocking = std::make_unique<BlockingStore>();
        blocking->release = handle;
        blocking->jobs.push_back({1, {0, 0, 0, 0, "c1"}});
        return blocking;
      },
      300);
  frmTervask form(store);
  ASSERT_TRUE(form.Open());
  EXPECT_TRUE(::IsWindowVisible(form.window()));
  EXPECT_EQ(PanelText(form.window(), 0), "スケジューラが応答しません");
  const std::string notAnswering = store.ErrorText(kStoreNotAnswering);
  EXPECT_EQ(boxes_.texts, std::vector<std::string>{notAnswering});
  ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdRefresh, 0);  // the first call is still out
  EXPECT_EQ(boxes_.texts.size(), 2u);
  EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(form.window(), IDB_cmdRefresh)));
  ::SetEvent(release.get());
  for (int tries = 0; tries < 50 && Rows(form.window()).empty(); ++tries) {
    ::Sleep(100);
    ::SendMessageA(form.window(), WM_COMMAND, IDB_cmdRefresh, 0);
  }
  EXPECT_EQ(Rows(form.window()).size(), 1u) << "once it answers, the list fills";
}

TEST_F(JobListTest, FrameFromSettingsClockAndAMissingHelpFile) {
  test::TempDir dir;
  g_mailSettings = {"mail.example.jp", "587", "zq@example.jp", "a@x;b@x", "週報"};
  g_helpFilePath = dir.File("zqTervask.hlp");
  testing::FakeJobStore jobs;
  frmTervask form(jobs);
  ASSERT_TRUE(form.Open());
  EXPECT_EQ(test::ItemText(form.window(), IDE_txtSmtpSubject), "週報");
  EXPECT_EQ(test::ItemText(form.window(), IDL_lblComputerName), LocalComputerName());
  EXPECT_EQ(PanelText(form.window(), 1), ShortDateText());
  EXPECT_EQ(PanelText(form.window(), 2), TimeText(false));
  ::SendMessageA(form.window(), WM_COMMAND, IDM_mnuFileItem2, 0);
  EXPECT_EQ(boxes_.texts,
            std::vector<std::string>{"ヘルプファイルが見つかりません。\r\n" + g_helpFilePath});
  ::SendMessageA(form.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form.window(), nullptr);
}

}  // namespace
}  // namespace zq
