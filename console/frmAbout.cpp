// The version box.
#include "console/frmAbout.h"

#include <vector>

#include "common/Hourglass.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/ShellStart.h"
#include "common/UniqueHandle.h"
#include "console/basTervask.h"
#include "console/frmAboutIds.h"
#include "console/frmTervaskIds.h"

namespace zq {
namespace {

constexpr char kNoSystemInformation[] = "現時点ではｼｽﾃﾑ情報を使用できません";

struct VersionTexts {
  std::string version, legalNotice, webAddress;
};

// The version, legal notice and web address of the running program's version resource.
VersionTexts OwnVersionTexts() {
  VersionTexts texts;
  char path[MAX_PATH] = {};
  if (!::GetModuleFileNameA(nullptr, path, MAX_PATH)) return texts;
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) return texts;
  std::vector<char> data(size);
  if (!::GetFileVersionInfoA(path, 0, size, data.data())) return texts;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (::VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    texts.version = "Version " + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                    std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                    std::to_string(HIWORD(fixed->dwFileVersionLS));
  }
  auto text = [&](const char* name) {
    char* value = nullptr;
    UINT chars = 0;
    const std::string query = std::string("\\StringFileInfo\\041104B0\\") + name;
    if (!::VerQueryValueA(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &chars) ||
        !value) {
      return std::string();
    }
    return std::string(value);
  };
  texts.legalNotice = text("LegalCopyright");
  texts.webAddress = text("WebAddress");
  return texts;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::optional<std::string> SystemInformationPath() {
  if (auto path = ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO",
                                    "PATH")) {
    return path;
  }
  const auto folder =
      ReadRegistryValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO");
  if (!folder) return {};
  const std::string path = PathInDirectory(*folder, "MSINFO32.EXE");
  if (!IsFile(path)) return {};
  return path;
}

std::string GetPhysicalMemoryText() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!::GlobalMemoryStatusEx(&status)) return "0";
  return GroupedThousands(status.ullTotalPhys / 1024);
}

void frmAbout::OnInit() { Form_Load(); }

bool frmAbout::OnCommand(int id, int code) {
  switch (id) {
    case IDB_cmdOK:
    case IDCANCEL:
      Destroy();
      return true;
    case IDB_cmdSysInfo:
      cmdSysInfo_Click();
      return true;
    case IDL_lblURL:
      if (code == STN_CLICKED) lblURL_Click();
      return true;
  }
  return false;
}

frmAbout::frmAbout(OpenLink openLink)
    : ModelessDialog(IDD_frmAbout), openLink_(std::move(openLink)) {}

void frmAbout::Form_Load() {
  Hourglass hourglass;
  ::SetWindowTextA(window(), (std::string(kTervaskTitle) + "のﾊﾞｰｼﾞｮﾝ情報").c_str());
  CentreOnScreen();
  const HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_zqTervask));
  ::SendDlgItemMessageA(window(), IDC_picIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  const VersionTexts texts = OwnVersionTexts();
  SetItemText(IDL_lblTitle, kTervaskTitle);
  SetItemText(IDL_lblVersion, texts.version);
  SetItemText(IDL_lblCopyright, texts.legalNotice);
  SetItemText(IDL_lblURL, texts.webAddress);
  if (texts.webAddress.empty()) ::ShowWindow(::GetDlgItem(window(), IDL_lblURL), SW_HIDE);
  SetItemText(IDL_lblDisclaimer, "Windowsが使用できる物理ﾒﾓﾘ: " + GetPhysicalMemoryText() + " KB");
}

void frmAbout::cmdSysInfo_Click() {
  const auto path = SystemInformationPath();
  // The path is the program itself, never part of an unquoted command line.
  if (!path || StartThroughShell(*path, "", "") != 0) TervaskMessage(kNoSystemInformation, kMbOk);
}

void frmAbout::lblURL_Click() {
  const std::string address = ItemText(IDL_lblURL);
  if (openLink_) return openLink_(address);
  StartThroughShell(address, "", "");  // failures are not reported: the shell shows nothing either
}

}  // namespace zq
