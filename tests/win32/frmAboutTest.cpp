// The version box created headless: the version from the real resource, the link through
// its seam, and the system information tool found through each registry route (a test
// program in a folder with a blank records its start) or not at all.
#include "console/frmAbout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ZqVersion.h"
#include "common/MessageBox.h"
#include "common/UniqueHandle.h"
#include "console/frmAboutIds.h"
#include "tests/win32/RecordedBoxes.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

constexpr char kFirstKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr char kSecondKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";

void SetValue(const char* key, const char* name, DWORD type, const std::string& value) {
  HKEY created = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &created, nullptr),
            ERROR_SUCCESS);
  const UniqueRegKey owner(created);
  ASSERT_EQ(::RegSetValueExA(created, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
            ERROR_SUCCESS);
}

// Presses the system information button; true when the tool at `tool` recorded its start.
bool StartsTool(frmAbout& about, const std::string& tool) {
  ::SendMessageA(about.window(), WM_COMMAND, IDB_cmdSysInfo, 0);
  for (int i = 0; i < 200; ++i) {
    if (::GetFileAttributesA((tool + ".started").c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    ::Sleep(50);
  }
  return false;
}

TEST(frmAbout, TextsLinkAndTheSystemInformationTool) {
  test::RecordedBoxes boxes;
  std::vector<std::string> opened;
  frmAbout about([&](const std::string& address) { opened.push_back(address); });
  ASSERT_TRUE(about.Create());
  const HWND w = about.window();
  EXPECT_EQ(test::ItemText(w, IDL_lblVersion), "Version " ZQ_VERSION_TEXT);
  ::SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDL_lblURL, STN_CLICKED), 0);
  EXPECT_EQ(opened, std::vector<std::string>{"https://zq.example.jp/"});

  test::TempDir dir;
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFirstKey);
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSecondKey);
  boxes.texts.clear();
  ::SendMessageA(w, WM_COMMAND, IDB_cmdSysInfo, 0);
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"現時点ではｼｽﾃﾑ情報を使用できません"});
  EXPECT_NE(about.window(), nullptr) << "the box stays open";

  // A registered folder without the tool counts as none.
  SetValue(kSecondKey, "MSINFO", REG_SZ, dir.path());
  boxes.texts.clear();
  ::SendMessageA(w, WM_COMMAND, IDB_cmdSysInfo, 0);
  EXPECT_EQ(boxes.texts.size(), 1u);

  // The folder route, registered as REG_EXPAND_SZ; then the path route, which comes first.
  const std::string folderTool = dir.File("MSINFO32.EXE");
  const std::string pathTool = dir.File("sys info.exe");
  for (const std::string& tool : {folderTool, pathTool}) {
    ASSERT_TRUE(
        ::CopyFileA(test::BesideTestProgram("zq_sleeper.exe").c_str(), tool.c_str(), FALSE));
  }
  ASSERT_TRUE(::SetEnvironmentVariableA("ZQ_TOOL_DIR", dir.path().c_str()));
  SetValue(kSecondKey, "MSINFO", REG_EXPAND_SZ, "%ZQ_TOOL_DIR%");
  EXPECT_TRUE(StartsTool(about, folderTool));
  SetValue(kFirstKey, "PATH", REG_SZ, pathTool);
  EXPECT_TRUE(StartsTool(about, pathTool));
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFirstKey);
  ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSecondKey);
  ::SendMessageA(w, WM_COMMAND, IDB_cmdOK, 0);
  EXPECT_EQ(about.window(), nullptr);
}

}  // namespace
}  // namespace zq
