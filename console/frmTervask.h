// The console's main window. Working so far: the frame (caption, icon, centring, the mail
// boxes filled from MailSettings, the computer name, the menu's exit, help and version, the status
// bar's date and time kept current by a timer, the end of the program when it closes) and
// the job list (add through the general job dialog, refresh, delete) over a job store. The
// report panel and the main window's own schedule controls are created disabled.
#pragma once

#include "common/ModelessDialog.h"
#include "console/basTervask.h"
#include "console/jobs/basScheduleJob.h"
#include "console/network/clsNetworkComputer.h"

namespace zq {

class frmTervask final : public ModelessDialog {
 public:
  // The jobs listed and deleted are those of `store`, which outlives the window.
  explicit frmTervask(JobStore& store);

  // Shows the window and serves messages until it is closed; returns the exit code.
  int Show();

  // Shows the mail settings dialog; a save fills the mail boxes.
  void cmdButton_Click(int index);
  // Lists the jobs again.
  void cmdRefresh_Click();
  // The general job dialog, then the list again.
  void cmdAdd_Click();
  // The network browser over `network`, then the chosen computer's name.
  void cmdButtonBrowse_Click(NetworkEnumeration& network);

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Form_Load();
  void Form_Unload();
  void mnuFileItem_Click(int index);
  void tmrClock_Timer();
  void ShowMailSettings(const MailSettings& settings);
  void PrepareJobList();
  void AddJobRow(const JobRecord& record);
  void cmdDelete_Click();

  JobStore& store_;
  bool helpOpened_ = false;
};

}  // namespace zq
