// The console's main window: its frame, the job list, the report panel and its submission,
// the network browser and the version box.
#include "console/frmTervask.h"

#include <commctrl.h>

#include "common/Hourglass.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/frmAbout.h"
#include "console/frmMailSetting.h"
#include "console/frmTervaskIds.h"
#include "console/jobs/frmAddJob.h"
#include "console/network/clsNetworkComputer_win.h"
#include "console/network/frmNetworkComputers.h"

namespace zq {
namespace {

constexpr UINT_PTR kClockTimer = 1;
constexpr UINT kClockIntervalMs = 1000;
constexpr int kDatePanel = 1;
constexpr int kTimePanel = 2;

OpenFileChooser g_fileChooser;
SystemClock g_systemClock;

}  // namespace

frmTervask::frmTervask(JobStore& store, FileChooser& chooser, const Clock& clock,
                       std::string programDirectory)
    : ModelessDialog(IDD_frmTervask),
      store_(store),
      chooser_(chooser),
      clock_(clock),
      programDirectory_(std::move(programDirectory)) {}

frmTervask::frmTervask(JobStore& store)
    : frmTervask(store, g_fileChooser, g_systemClock, ProgramDirectory()) {}

bool frmTervask::Open() {
  if (!Create()) return false;
  // The window shows before the scheduler is asked anything: it may not answer for long.
  ::ShowWindow(window(), SW_SHOWNORMAL);
  ::UpdateWindow(window());
  cmdRefresh_Click();
  return true;
}

int frmTervask::Show() {
  if (!Open()) {
    TervaskMessage("アプリケーションエラー！\r\n" + LastFailure().text, kMbExclamation);
    return 1;
  }
  RunMessageLoop();
  return 0;
}

void frmTervask::OnInit() { Form_Load(); }

bool frmTervask::OnCommand(int id, int code) {
  const WPARAM command = MAKEWPARAM(id, code);
  if (schedule_.OnCommand(command)) {
    report_.CheckSubmitEnabled();  // the mode sets the caption; only content enables
    return true;
  }
  if (report_.OnCommand(command)) return true;
  if (const int line = ReportControls::BrowseLine(id); line >= 0) {
    cmdBrowse_Click(line);
    return true;
  }
  switch (id) {
    case IDB_cmdSubmit:
      cmdSubmit_Click();
      return true;
    case IDM_mnuFileItem0:
      mnuFileItem_Click(0);
      return true;
    case IDM_mnuFileItem2:
      mnuFileItem_Click(2);
      return true;
    case IDM_mnuFileItem3:
      mnuFileItem_Click(3);
      return true;
    case IDB_cmdButton1:
      cmdMailSettings_Click();
      return true;
    case IDB_cmdRefresh:
      cmdRefresh_Click();
      return true;
    case IDB_cmdAdd:
      cmdAdd_Click();
      return true;
    case IDB_cmdButtonBrowse: {
      WNetEnumeration network;
      cmdButtonBrowse_Click(network);
      return true;
    }
    case IDB_cmdDelete:
      if (jobs_.DeleteSelected(store_)) cmdRefresh_Click();
      return true;
  }
  return false;
}

bool frmTervask::OnTimer(UINT_PTR timerId) {
  if (timerId == kClockTimer) tmrClock_Timer();
  return true;
}

void frmTervask::OnClose() { Form_Unload(); }

void frmTervask::Form_Load() {
  Hourglass hourglass;
  ::SetWindowTextA(window(), kTervaskTitle);
  const HICON icon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_zqTervask));
  ::SendMessageA(window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  ::SendMessageA(window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  CentreOnScreen();
  schedule_ = ScheduleControls(window());
  schedule_.FillModes();
  ::EnableWindow(::GetDlgItem(window(), IDC_comboCondition), TRUE);
  AddToolTip(IDC_comboCondition, "ジョブの実行時間を指定します");
  report_ = ReportControls(window());
  report_.Prepare();
  report_.ShowMail(g_mailSettings);
  AddToolTip(IDE_txtSmtpServer, "SMTPサーバー名もしくはIPアドレス");
  AddToolTip(IDE_txtSmtpPort, "SMTPサーバーポート番号");
  AddToolTip(IDE_txtSmtpTo, "宛先");
  AddToolTip(IDE_txtSmtpFrom, "送信者メールアドレス");
  AddToolTip(IDE_txtSmtpSubject, "メールの件名");
  AddToolTip(IDB_cmdButton1, "「メール送信」情報を編集します");
  AddToolTip(IDB_cmdButton0, "PC情報をメールで送信します");
  g_targetComputerName = GetLocalComputerName();
  SetItemText(IDL_lblComputerName, g_targetComputerName);
  // Three panels: a wide empty one, the date, the time.
  RECT client{};
  ::GetClientRect(window(), &client);
  const int width = client.right - client.left;
  const int parts[] = {width - 200, width - 90, -1};
  ::SendDlgItemMessageA(window(), IDS_StatusBar1, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
  tmrClock_Timer();
  ::SetTimer(window(), kClockTimer, kClockIntervalMs, nullptr);
  jobs_ = JobListControls(window(), programDirectory_);
  jobs_.Prepare();
}

void frmTervask::cmdAdd_Click() {
  OpenFileChooser chooser;
  frmAddJob dialog(store_, chooser);
  dialog.ShowModal(window());
  cmdRefresh_Click();
}

void frmTervask::cmdButtonBrowse_Click(NetworkEnumeration& network) {
  frmNetworkComputers browser(network);
  browser.ShowModal(window());
  SetItemText(IDL_lblComputerName, g_targetComputerName);
  const std::string local = GetLocalComputerName();
  // The jobs listed and added stay those of this computer, whatever was chosen.
  if (browser.chosen() && ::lstrcmpiA(g_targetComputerName.c_str(), local.c_str()) != 0) {
    TervaskMessage("ジョブの一覧と登録の対象は、このコンピュータ（" + local + "）です。",
                   kMbInformation);
  }
}

// The status bar names the scheduler, or says that it does not answer.
void frmTervask::cmdRefresh_Click() {
  const std::uint32_t status = jobs_.Refresh(store_);
  const std::string scheduler =
      status == kStoreNotAnswering ? "スケジューラが応答しません" : store_.Name();
  ::SendDlgItemMessageA(window(), IDS_StatusBar1, SB_SETTEXTA, 0,
                        reinterpret_cast<LPARAM>(scheduler.c_str()));
}

void frmTervask::Form_Unload() {
  ::KillTimer(window(), kClockTimer);
  if (helpOpened_) ::WinHelpA(window(), g_helpFilePath.c_str(), HELP_QUIT, 0);
  Destroy();
}

void frmTervask::mnuFileItem_Click(int index) {
  if (index == 0) return Form_Unload();
  if (index == 3) {
    frmAbout about;
    about.ShowModal(window());
    return;
  }
  if (index != 2) return;
  if (::GetFileAttributesA(g_helpFilePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
    TervaskMessage("ヘルプファイルが見つかりません。\r\n" + g_helpFilePath, kMbExclamation);
    return;
  }
  helpOpened_ = ::WinHelpA(window(), g_helpFilePath.c_str(), HELP_CONTENTS, 0) != FALSE;
}

void frmTervask::cmdMailSettings_Click() {
  frmMailSetting dialog([this](const MailSettings& saved) { report_.ShowMail(saved); });
  dialog.ShowModal(window());
}

void frmTervask::tmrClock_Timer() {
  const std::pair<int, std::string> panels[] = {{kDatePanel, ShortDateText()},
                                                {kTimePanel, TimeText(false)}};
  for (const auto& [panel, text] : panels) {
    ::SendDlgItemMessageA(window(), IDS_StatusBar1, SB_SETTEXTA, panel,
                          reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void frmTervask::cmdBrowse_Click(int line) {
  // A path holding a blank goes in quotes, so the command interpreter runs all of it.
  if (const auto path = chooser_.ChooseProgram(window())) {
    report_.SetCommand(line, CommandOfPath(*path));
  }
}

void frmTervask::cmdSubmit_Click() {
  ReportRequest request{report_.Read(), schedule_.Read(), programDirectory_};
  request.panel.security = g_mailSecurity;
  request.panel.relay2 = g_secondRelay;
  request.panel.oauth = g_mailOAuth;
  const ReportOutcome outcome = SubmitReport(request, store_, clock_);
  if (!outcome.message.empty()) TervaskMessage(outcome.message, outcome.style);
  if (outcome.scheduleFocus != ScheduleFocus::kNone) schedule_.Focus(outcome.scheduleFocus);
  if (outcome.mailField >= 0) report_.FocusMail(outcome.mailField);
  if (outcome.jobAdded) cmdRefresh_Click();
}

}  // namespace zq
