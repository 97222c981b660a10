// The console's main window: its frame, the job list, the report panel and its submission,
// the network browser and the version box.
#include "console/frmTervask.h"

#include <commctrl.h>
#include <shellapi.h>

#include <array>

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

// A file or directory of a submission that could not be made.
void ShowFileFailure(const std::string& path, std::uint32_t error) {
  TervaskMessage("アプリケーションエラー！\r\n" + path + "\r\n" + GetSystemErrorText(error),
                 kMbExclamation);
}

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

int frmTervask::Show() {
  if (!Create()) {
    TervaskMessage("アプリケーションエラー！\r\n" + GetSystemErrorText(::GetLastError()),
                   kMbExclamation);
    return 1;
  }
  ::ShowWindow(window(), SW_SHOWNORMAL);
  RunMessageLoop();
  return 0;
}

INT_PTR frmTervask::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Form_Load();
      return TRUE;
    case WM_COMMAND:
      if (schedule_.OnCommand(wParam)) {
        report_.CheckSubmitEnabled();  // the mode sets the caption; only content enables
        return TRUE;
      }
      if (report_.OnCommand(wParam)) return TRUE;
      if (const int line = ReportControls::BrowseLine(LOWORD(wParam)); line >= 0) {
        cmdBrowse_Click(line);
        return TRUE;
      }
      switch (LOWORD(wParam)) {
        case IDB_cmdSubmit:
          cmdSubmit_Click();
          return TRUE;
        case IDM_mnuFileItem0:
          mnuFileItem_Click(0);
          return TRUE;
        case IDM_mnuFileItem2:
          mnuFileItem_Click(2);
          return TRUE;
        case IDM_mnuFileItem3:
          mnuFileItem_Click(3);
          return TRUE;
        case IDB_cmdButton1:
          cmdButton_Click(1);
          return TRUE;
        case IDB_cmdRefresh:
          cmdRefresh_Click();
          return TRUE;
        case IDB_cmdAdd:
          cmdAdd_Click();
          return TRUE;
        case IDB_cmdButtonBrowse: {
          WNetEnumeration network;
          cmdButtonBrowse_Click(network);
          return TRUE;
        }
        case IDB_cmdDelete:
          cmdDelete_Click();
          return TRUE;
      }
      return FALSE;
    case WM_TIMER:
      if (wParam == kClockTimer) tmrClock_Timer();
      return TRUE;
    case WM_CLOSE:
      Form_Unload();
      return TRUE;
  }
  return FALSE;
}

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
  const std::string scheduler = store_.Name();  // which scheduler holds the jobs
  ::SendDlgItemMessageA(window(), IDS_StatusBar1, SB_SETTEXTA, 0,
                        reinterpret_cast<LPARAM>(scheduler.c_str()));
  tmrClock_Timer();
  ::SetTimer(window(), kClockTimer, kClockIntervalMs, nullptr);
  PrepareJobList();
  cmdRefresh_Click();
}

// Seven columns, each as wide as its caption and a number of blanks in the window's font.
void frmTervask::PrepareJobList() {
  static constexpr std::pair<const char*, int> kColumns[] = {
      {"状態", 4}, {"ID", 5},   {"区分", 4},           {"曜日／日付", 8},
      {"時刻", 4}, {"対話", 4}, {"コマンドライン", 50}};
  const HWND list = ::GetDlgItem(window(), IDV_lstJobs);
  const HDC dc = ::GetDC(list);
  const HGDIOBJ previous =
      ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window(), WM_GETFONT, 0, 0)));
  for (int i = 0; i < 7; ++i) {
    const std::string measured = kColumns[i].first + std::string(kColumns[i].second, ' ');
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, measured.c_str(), static_cast<int>(measured.size()), &extent);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<char*>(kColumns[i].first);
    column.cx = extent.cx;
    column.iSubItem = i;
    ::SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
  }
  ::SelectObject(dc, previous);
  ::ReleaseDC(list, dc);
  ::SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  for (const int id : {IDV_lstJobs, IDB_cmdRefresh, IDB_cmdAdd, IDB_cmdButtonBrowse})
    ::EnableWindow(::GetDlgItem(window(), id), TRUE);
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

void frmTervask::cmdRefresh_Click() {
  Hourglass hourglass;
  const HWND list = ::GetDlgItem(window(), IDV_lstJobs);
  // Rows are added without repainting, so a long list is drawn once.
  ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  const std::uint32_t status = ListJobs(store_, [&](const JobRecord& r) { AddJobRow(r); });
  ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list, nullptr, TRUE);
  const LRESULT rows = ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
  ::EnableWindow(::GetDlgItem(window(), IDB_cmdDelete), rows > 0);
  if (status != 0) TervaskMessage(NetErrorLine(status, store_.ErrorText(status)), kMbExclamation);
}

// One row; the job id travels with it, so nothing is parsed back from the columns.
void frmTervask::AddJobRow(const JobRecord& record) {
  const HWND list = ::GetDlgItem(window(), IDV_lstJobs);
  std::array<std::string, 7> texts = JobRowTexts(record);
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = texts[0].data();
  item.lParam = static_cast<LPARAM>(record.id);
  const int row =
      static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  for (int column = 1; column < 7; ++column) {
    LVITEMA sub{};
    sub.iSubItem = column;
    sub.pszText = texts[column].data();
    ::SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&sub));
  }
}

void frmTervask::cmdDelete_Click() {
  const HWND list = ::GetDlgItem(window(), IDV_lstJobs);
  const int row = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
  if (row < 0) return;
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
  const auto id = static_cast<std::uint32_t>(item.lParam);
  if (TervaskMessage(JobDeleteQuestion(id), kMbYesNo | kMbQuestion | kMbDefaultButton2) != kIdYes) {
    return;
  }
  std::uint32_t status = 0;
  {
    Hourglass hourglass;
    status = store_.Delete(id);
  }
  if (status != 0) {
    TervaskMessage(JobDeleteRefusedText(id, NetErrorLine(status, store_.ErrorText(status))),
                   kMbExclamation);
  }
  cmdRefresh_Click();
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

void frmTervask::cmdButton_Click(int index) {
  if (index != 1) return;  // the send button has no action of its own
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

// Everything a submission needs is checked before any file is written.
bool frmTervask::CheckReport(const ReportPanel& panel, const ScheduleInput& input) const {
  const ScheduleCheck check = ValidateSchedule(input);
  if (!check.ok) {
    TervaskMessage(check.message, kMbExclamation);
    schedule_.Focus(check.focus);
    return false;
  }
  if (!panel.sections[kSectionMail]) return true;
  const MailSettingsRefusal refusal = CheckMailSettings(panel.mail);
  if (refusal.field < 0) return true;
  TervaskMessage(refusal.message, kMbExclamation);
  report_.FocusMail(refusal.field);
  return false;
}

void frmTervask::cmdSubmit_Click() {
  ReportPanel panel = report_.Read();
  panel.security = g_mailSecurity;
  const ScheduleInput input = schedule_.Read();
  if (!CheckReport(panel, input)) return;
  ReportWrite written;
  {
    Hourglass hourglass;
    const std::string directory = PathInDirectory(programDirectory_, kWorkDirectoryName);
    if (const std::uint32_t error = MakeProtectedDirectory(directory)) {
      return ShowFileFailure(directory, error);
    }
    // One moment names both files and dates the parameter file.
    const LocalTime moment = clock_.Now();
    written = WriteReportPair(programDirectory_, moment,
                              BuildParameterText(panel, programDirectory_, CreatedText(moment)));
  }
  if (written.error != 0) return ShowFileFailure(written.failedPath, written.error);
  if (input.mode == kModeRunNow) return RunReportNow(written.pair);
  RegisterReport(input, written.pair);
}

// The sender gets the parameter file's full path; it shows its own window while it works.
void frmTervask::RunReportNow(const ReportPair& pair) {
  const std::string sender = PathInDirectory(programDirectory_, kSenderProgramName);
  const std::string parameter = CommandOfPath(pair.parameterPath);
  const auto result =
      reinterpret_cast<INT_PTR>(::ShellExecuteA(nullptr, "open", sender.c_str(), parameter.c_str(),
                                                programDirectory_.c_str(), SW_SHOWNORMAL));
  if (result > 32) return;
  TervaskMessage("アプリケーションの起動に失敗しました！\r\n" + sender + " " + parameter + "\r\n" +
                     GetSystemErrorText(static_cast<std::uint32_t>(result)),
                 kMbExclamation);
}

// Report jobs run without interaction; a refused job leaves no files that nothing points to.
void frmTervask::RegisterReport(const ScheduleInput& input, const ReportPair& pair) {
  const JobSpec job = BuildJobInfo(input, "\"" + pair.batchPath + "\"", true);
  if (!schedule_.Submit(store_, job)) {
    ::DeleteFileA(pair.batchPath.c_str());
    ::DeleteFileA(pair.parameterPath.c_str());
  }
  cmdRefresh_Click();
}

}  // namespace zq
