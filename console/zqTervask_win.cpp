// zqTervask.exe, the windowed console: Main of the start-up module and the entry point.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/basTervask.h"
#include "console/frmTervask.h"
#include "console/jobs/JobStoreChoice_win.h"
#include "console/report/ReportFiles_win.h"

namespace zq {

int Main() {
  const std::string directory = ProgramDirectory();
  // A network path works too: the directory is made current by name, not by drive.
  if (directory.empty() || !::SetCurrentDirectoryA(directory.c_str())) {
    const DWORD error = ::GetLastError();
    TervaskMessage("アプリケーションエラー！\r\n" + GetSystemErrorText(error), kMbExclamation);
    return 1;
  }
  g_settingsFilePath = PathInDirectory(directory, kSettingsFileName);
  for (int field = 0; field < 5; ++field) {
    MailSettingField(g_mailSettings, field) =
        ReadSetting(kSettingsSection, kMailSettingKeys[field]);
  }
  for (int field = 0; field < 4; ++field) {
    MailSecurityField(g_mailSecurity, field) =
        ReadSetting(kSettingsSection, kMailSecurityKeys[field]);
  }
  g_helpFilePath = PathInDirectory(directory, kHelpFileName);
  static SystemClock clock;
  const std::unique_ptr<JobStore> jobs =
      ChooseJobStore(SchedulerSwitch(::GetCommandLineA()), clock);
  frmTervask main(*jobs);
  return main.Show();
}

}  // namespace zq

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES |
                                                     ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  // No exception may leave into Windows; forms trap their own, this is the last resort.
  try {
    return zq::Main();
  } catch (...) {
    return 1;
  }
}
