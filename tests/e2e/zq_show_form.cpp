// Test helper: shows one of the console's dialogs on its own, for a screenshot.
// Usage: zq_show_form mail     (the mail settings dialog, reading zqTervask.ini beside it)
//        zq_show_form addjob   (the general job dialog over the real Schedule service)
//        zq_show_form network  (the network browser over the platform's enumeration)
//        zq_show_form about    (the version box)
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstring>

#include "console/basTervask.h"
#include "console/frmAbout.h"
#include "console/frmMailSetting.h"
#include "console/jobs/basScheduleJob_win.h"
#include "console/jobs/frmAddJob.h"
#include "console/network/clsNetworkComputer_win.h"
#include "console/network/frmNetworkComputers.h"

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (argc != 2) return 2;
  if (std::strcmp(argv[1], "addjob") == 0) {
    zq::ServiceJobStore store;
    zq::OpenFileChooser chooser;
    zq::frmAddJob dialog(store, chooser);
    dialog.ShowModal(nullptr);
    return 0;
  }
  if (std::strcmp(argv[1], "network") == 0) {
    zq::WNetEnumeration network;
    zq::frmNetworkComputers browser(network);
    browser.ShowModal(nullptr);
    return 0;
  }
  if (std::strcmp(argv[1], "about") == 0) {
    zq::frmAbout about;
    about.ShowModal(nullptr);
    return 0;
  }
  if (std::strcmp(argv[1], "mail") != 0) return 2;
  zq::g_settingsFilePath = zq::PathInDirectory(zq::ProgramDirectory(), zq::kSettingsFileName);
  zq::frmMailSetting dialog(nullptr);
  dialog.ShowModal(nullptr);
  return 0;
}
