// The general job dialog.
#include "console/jobs/frmAddJob.h"

#include "common/Cp932.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/ProgramDirectory.h"
#include "common/ShellStart.h"
#include "console/ConsoleMessages.h"
#include "console/jobs/frmAddJobIds.h"

namespace zq {

frmAddJob::frmAddJob(JobStore& store, FileChooser& chooser)
    : ModelessDialog(IDD_frmAddJob), store_(store), chooser_(chooser) {}

void frmAddJob::OnInit() {
  schedule_ = ScheduleControls(window());
  schedule_.FillModes();
  CentreOnScreen();
}

bool frmAddJob::OnCommand(int id, int code) {
  if (schedule_.OnCommand(MAKEWPARAM(id, code))) {
    // Run now needs no interaction box; every other mode shows it, its tick kept.
    if (id == IDC_comboCondition) {
      ::ShowWindow(::GetDlgItem(window(), IDX_chkInteractive),
                   schedule_.Read().mode == kModeRunNow ? SW_HIDE : SW_SHOW);
    }
    return true;
  }
  switch (id) {
    case IDB_cmdBrowse:
      cmdBrowse_Click();
      return true;
    case IDB_cmdSubmit:
      cmdSubmit_Click();
      return true;
    case IDB_cmdClose:
    case IDCANCEL:
      Destroy();
      return true;
  }
  return false;
}

void frmAddJob::cmdBrowse_Click() {
  // A path holding a blank goes in quotes, so the scheduled command runs it.
  if (const auto path = chooser_.ChooseProgram(window())) {
    SetItemText(IDE_txtCommand, CommandOfPath(*path));
  }
}

void frmAddJob::cmdSubmit_Click() {
  const std::string command(TrimBlanks(ItemText(IDE_txtCommand)));
  if (command.empty()) {
    TervaskMessage("コマンドを指定してください！", kMbExclamation);
    ::SetFocus(::GetDlgItem(window(), IDE_txtCommand));
    return;
  }
  const ScheduleInput input = schedule_.Read();
  const ScheduleCheck check = ValidateSchedule(input);
  if (!check.ok) {
    TervaskMessage(check.message, kMbExclamation);
    schedule_.Focus(check.focus);
    return;
  }
  if (input.mode == kModeRunNow) return RunNow(command);
  const bool interactive = ::IsDlgButtonChecked(window(), IDX_chkInteractive) == BST_CHECKED;
  schedule_.Submit(store_, BuildJobInfo(input, command, !interactive));
}

void frmAddJob::RunNow(const std::string& command) {
  const CommandParts run = SplitRunNowCommand(command);
  const std::uint32_t failure = StartThroughShell(run.file, run.parameters, ProgramDirectory());
  if (failure == 0) return;
  TervaskMessage("アプリケーションの起動に失敗しました！\r\n" + command + "\r\n" +
                     ShellStartFailureText(failure),
                 kMbExclamation);
}

}  // namespace zq
