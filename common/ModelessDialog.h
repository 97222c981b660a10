// The base of every window of both programs: a modeless dialog made from a template of the
// program. One dialog procedure stores `this`, hands each message to the form's OnMessage,
// and lets no exception travel into Windows: any exception ends the form through
// OnUnhandledException. RunMessageLoop serves the dialog keys (Tab, Enter, Esc) of every
// live form. Windows only.
#pragma once

#include <windows.h>

#include <string>

namespace zq {

class ModelessDialog {
 public:
  // The form is made from dialog template `templateId` of the program.
  explicit ModelessDialog(int templateId) : templateId_(templateId) {}
  ModelessDialog(const ModelessDialog&) = delete;
  ModelessDialog& operator=(const ModelessDialog&) = delete;
  // Destroys the window if it is still there.
  virtual ~ModelessDialog();

  // Creates the window (shown only if its template says so), owned by `owner`; WM_INITDIALOG
  // reaches OnMessage. False when it cannot be created (GetLastError tells).
  bool Create(HWND owner = nullptr);

  // Serves messages until this window is gone (a WM_QUIT is passed on to the outer loop).
  void RunMessageLoop();

  // Shows the form modally over `owner`, which stays disabled until the form is gone. False
  // when the window cannot be created.
  bool ShowModal(HWND owner);

  HWND window() const { return window_; }

 protected:
  // One message, as a dialog procedure takes it: TRUE when handled. A WM_CLOSE left
  // unhandled destroys the window.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // An exception left a handler. The default destroys the window.
  virtual void OnUnhandledException() { Destroy(); }
  void Destroy();
  // Centres the window on the screen.
  void CentreOnScreen();
  // Gives control `controlId` a tool-tip.
  void AddToolTip(int controlId, const char* text);
  std::string ItemText(int controlId) const;
  void SetItemText(int controlId, const std::string& text);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  const int templateId_;
  HWND window_ = nullptr;
  HWND toolTips_ = nullptr;
};

}  // namespace zq
