// The console's main window. This far only its frame works: caption, icon, centring, the
// mail boxes filled from MailSettings, the computer name, the menu (exit, help), the status
// bar's date and time kept current by a timer, and the end of the program when it closes.
// The job list, the report panel and the schedule controls are created disabled.
#pragma once

#include "common/ModelessDialog.h"
#include "console/basTervask.h"

namespace zq {

class frmTervask final : public ModelessDialog {
 public:
  // Shows the window and serves messages until it is closed; returns the exit code.
  int Show();
  // Creates it without showing (tests drive it by messages).
  bool CreateHidden();

  // Shows the mail settings dialog; a save fills the mail boxes.
  void cmdButton_Click(int index);

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Form_Load();
  void Form_Unload();
  void mnuFileItem_Click(int index);
  void tmrClock_Timer();
  void ShowMailSettings(const MailSettings& settings);

  bool helpOpened_ = false;
};

}  // namespace zq
