// The base of every window of both programs: a modeless dialog made from a template of the
// program. One dialog procedure stores `this`, hands each message to the form's OnMessage,
// and lets no exception travel into Windows: any exception ends the form through
// OnUnhandledException. RunMessageLoop serves the dialog keys (Tab, Enter, Esc) of every
// live form. Windows only.
#pragma once

#include <windows.h>

namespace zq {

class ModelessDialog {
 public:
  ModelessDialog() = default;
  ModelessDialog(const ModelessDialog&) = delete;
  ModelessDialog& operator=(const ModelessDialog&) = delete;
  // Destroys the window if it is still there.
  virtual ~ModelessDialog();

  // Creates the window from dialog template `templateId` of the program, owned by `owner`;
  // WM_INITDIALOG reaches OnMessage. False when it cannot be created (GetLastError tells).
  bool Create(int templateId, HWND owner = nullptr);

  // Serves messages until this window is gone (or WM_QUIT arrives).
  void RunMessageLoop();

  HWND window() const { return window_; }

 protected:
  // One message, as a dialog procedure takes it: TRUE when handled.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // An exception left a handler. The default destroys the window.
  virtual void OnUnhandledException() { Destroy(); }
  void Destroy();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND window_ = nullptr;
};

}  // namespace zq
