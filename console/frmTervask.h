// The console's main window: the frame (caption, icon, centring, the computer name, the
// menu's exit, help and version, the status bar's date and time, the end of the program when
// it closes), the job list over a job store (add through the general job dialog, refresh,
// delete), and the report panel with its schedule controls: a submission writes a new
// parameter and batch file pair into the work directory and runs the sender at once or
// registers the batch file as a job.
#pragma once

#include "common/ModelessDialog.h"
#include "console/basTervask.h"
#include "console/jobs/FileChooser.h"
#include "console/jobs/JobListControls_win.h"
#include "console/jobs/ScheduleControls_win.h"
#include "console/jobs/basScheduleJob.h"
#include "console/network/clsNetworkComputer.h"
#include "console/report/ReportControls_win.h"
#include "console/report/ReportFiles_win.h"
#include "console/report/SubmitReport_win.h"

namespace zq {

class frmTervask final : public ModelessDialog {
 public:
  // The jobs listed, added and deleted are those of `store`; browse buttons ask `chooser`;
  // report files go below `programDirectory`, named by `clock`. All outlive the window.
  frmTervask(JobStore& store, FileChooser& chooser, const Clock& clock,
             std::string programDirectory);
  // The file-open dialog, the system clock and the program's own directory.
  explicit frmTervask(JobStore& store);

  // Creates and shows the window, then lists the jobs; false when it cannot be created.
  bool Open();
  // Open, then serves messages until the window is closed; returns the exit code.
  int Show();

  // Shows the mail settings dialog; a save fills the mail boxes.
  void cmdMailSettings_Click();  // 設定(M)...
  // Lists the jobs again.
  void cmdRefresh_Click();
  // The general job dialog, then the list again.
  void cmdAdd_Click();
  // The network browser over `network`, then the chosen computer's name.
  void cmdButtonBrowse_Click(NetworkEnumeration& network);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  bool OnTimer(UINT_PTR timerId) override;
  void OnClose() override;
  void Form_Load();
  void Form_Unload();
  void mnuFileItem_Click(int index);
  void tmrClock_Timer();
  void cmdBrowse_Click(int line);
  void cmdSubmit_Click();

  JobStore& store_;
  FileChooser& chooser_;
  const Clock& clock_;
  std::string programDirectory_;
  ScheduleControls schedule_{nullptr};
  JobListControls jobs_{nullptr};
  ReportControls report_{nullptr};
  bool helpOpened_ = false;
};

}  // namespace zq
