// The console's main window created headless from its real template: the frame filled from
// the settings, the status bar's date and time, the help file that is not there, closing;
// and MakeDirectory against real directories.
#include "console/frmTervask.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/frmTervaskIds.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

std::vector<std::string> g_shown;
int RecordBox(const std::string& text, const std::string&, unsigned) {
  g_shown.push_back(text);
  return kIdOk;
}

std::string PanelText(HWND window, int panel) {
  char text[128] = {};
  ::SendDlgItemMessageA(window, IDS_StatusBar1, SB_GETTEXTA, panel, reinterpret_cast<LPARAM>(text));
  return text;
}

TEST(frmTervask, FrameFromSettingsClockAndAMissingHelpFile) {
  test::TempDir dir;
  g_mailSettings = {"mail.example.jp", "587", "zq@example.jp", "a@x;b@x", "週報"};
  g_helpFilePath = dir.File("zqTervask.hlp");
  const auto previous = SetMessageBoxFunction(RecordBox);
  frmTervask form;
  ASSERT_TRUE(form.CreateHidden());
  EXPECT_EQ(test::ItemText(form.window(), IDE_txtSmtpFrom), "zq@example.jp");
  EXPECT_EQ(test::ItemText(form.window(), IDE_txtSmtpSubject), "週報");
  EXPECT_EQ(test::ItemText(form.window(), IDL_lblComputerName), LocalComputerName());
  EXPECT_EQ(PanelText(form.window(), 1), ShortDateText());
  EXPECT_EQ(PanelText(form.window(), 2), TimeText(false));
  ::SendMessageA(form.window(), WM_COMMAND, IDM_mnuFileItem2, 0);
  EXPECT_EQ(g_shown,
            std::vector<std::string>{"ヘルプファイルが見つかりません。\r\n" + g_helpFilePath});
  ::SendMessageA(form.window(), WM_CLOSE, 0, 0);
  EXPECT_EQ(form.window(), nullptr);
  SetMessageBoxFunction(previous);
}

TEST(MakeDirectory, OnlyADirectoryCountsAsThere) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("file"), "x");
  EXPECT_EQ(MakeDirectory(dir.File("new")), 0u);
  EXPECT_EQ(MakeDirectory(dir.File("new")), 0u);
  EXPECT_EQ(MakeDirectory(dir.File("file")), std::uint32_t{ERROR_ALREADY_EXISTS});
  EXPECT_EQ(MakeDirectory(dir.File("missing\\new")), std::uint32_t{ERROR_PATH_NOT_FOUND});
}

}  // namespace
}  // namespace zq
