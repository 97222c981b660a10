// zqTervask.exe, the windowed console: Main of the start-up module and the entry point.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <vector>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/basTervask.h"
#include "console/frmTervask.h"
#include "console/jobs/BoundedJobStore_win.h"
#include "console/jobs/JobStoreChoice_win.h"
#include "console/jobs/RemainingJobs.h"
#include "console/report/ReportFiles_win.h"

namespace zq {
namespace {

// How long the console waits for the scheduler before it says that it does not answer.
constexpr DWORD kSchedulerBoundMs = 10000;

// The uninstaller's question: the console's jobs that remain are listed and, on Yes, deleted.
int OfferRemainingJobs(JobStore& store, const std::string& directory) {
  std::vector<JobRecord> listed;
  const std::uint32_t status = ListJobs(store, [&](const JobRecord& r) { listed.push_back(r); });
  if (status != 0) {
    TervaskMessage(
        "ジョブの一覧を取得できませんでした。\r\n" + NetErrorLine(status, store.ErrorText(status)),
        kMbExclamation);
    return 1;
  }
  const std::vector<JobRecord> jobs =
      RemainingJobs(listed, PathInDirectory(directory, kWorkDirectoryName), store.HasOwnFolder());
  if (jobs.empty()) return 0;
  if (TervaskMessage(RemainingJobsQuestion(jobs), kMbYesNo | kMbQuestion | kMbDefaultButton2) !=
      kIdYes) {
    return 0;
  }
  int failures = 0;
  for (const JobRecord& record : jobs) {
    if (const std::uint32_t refused = store.Delete(record.id)) {
      ++failures;
      TervaskMessage(
          JobDeleteRefusedText(record.id, NetErrorLine(refused, store.ErrorText(refused))),
          kMbExclamation);
    }
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int Main() {
  const std::string directory = ProgramDirectory();
  // A network path works too: the directory is made current by name, not by drive.
  if (directory.empty() || !::SetCurrentDirectoryA(directory.c_str())) {
    const DWORD error = ::GetLastError();
    TervaskMessage("アプリケーションエラー！\r\n" + FailureOf(error).text, kMbExclamation);
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
  g_secondRelay = {ReadSetting(kSettingsSection, kSecondRelayKeys[0]),
                   ReadSetting(kSettingsSection, kSecondRelayKeys[1])};
  for (int field = 0; field < kOAuthFieldCount; ++field) {
    MailOAuthField(g_mailOAuth, field) =
        ReadSetting(kSettingsSection, kReportKeys[kKeySmtpAuth + field]);
  }
  g_helpFilePath = PathInDirectory(directory, kHelpFileName);
  static SystemClock clock;
  const SchedulerChoice choice = SchedulerSwitch(::GetCommandLineA());
  // The scheduler is reached on a thread of its own: the window shows whether it answers.
  BoundedJobStore jobs([choice] { return ChooseJobStore(choice, clock); }, kSchedulerBoundMs);
  if (AsksForRemainingJobs(::GetCommandLineA())) return OfferRemainingJobs(jobs, directory);
  frmTervask main(jobs);
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
