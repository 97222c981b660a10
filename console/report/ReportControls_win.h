// The report panel of the main window: section boxes switching their controls, the command
// lines, the day count, the mail boxes, and the submit button's state, read into a
// ReportPanel. Windows only.
#pragma once

#include <windows.h>

#include "console/report/ReportParameters.h"

namespace zq {

class ReportControls {
 public:
  explicit ReportControls(HWND dialog) : dialog_(dialog) {}

  // The day count's range (1 to 50, at 3) and every section switched off.
  void Prepare() const;
  // A section box, event-log box or command line changed: switches what it governs and
  // decides the submit button; false for anything else.
  bool OnCommand(WPARAM wParam) const;
  // The browse button's line (0..4) of a command id, or -1.
  static int BrowseLine(int id);

  ReportPanel Read() const;
  void SetCommand(int line, const std::string& text) const;
  void ShowMail(const MailSettings& settings) const;
  void FocusMail(int field) const;
  // The submit button usable only for a report with content.
  void CheckSubmitEnabled() const;

 private:
  void chkJob_Click(int index) const;
  void txtCommand_Change(int line) const;
  HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
  bool Ticked(int id) const { return ::IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }

  HWND dialog_;
};

}  // namespace zq
