// The base of every window of both programs: a modeless dialog made from a template of the
// program. One dialog procedure stores `this`, hands each message to the form's handler for
// its kind (init, command, notify, timer, size, close, others), and lets no exception travel
// into Windows: any exception ends the form through
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

  // Creates the window (shown only if its template says so), owned by `owner`; OnInit runs
  // before it returns. False when it cannot be created (GetLastError tells).
  bool Create(HWND owner = nullptr);

  // Serves messages until this window is gone (a WM_QUIT is passed on to the outer loop).
  void RunMessageLoop();

  // Shows the form modally over `owner`, which stays disabled until the form is gone. False
  // when the window cannot be created.
  bool ShowModal(HWND owner);

  HWND window() const { return window_; }

 protected:
  // Handlers by kind of message. Those that return bool say whether they handled it; an
  // unhandled message gets the dialog's default treatment.
  virtual void OnInit() {}                                            // WM_INITDIALOG
  virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }  // control or menu item
  virtual bool OnNotify(const NMHDR& /*header*/, LPARAM /*lParam*/) { return false; }
  virtual bool OnTimer(UINT_PTR /*timerId*/) { return false; }
  virtual bool OnSize(int /*width*/, int /*height*/) { return false; }
  virtual void OnClose() { Destroy(); }  // WM_CLOSE
  // Any other message, the program's own among them: TRUE when handled.
  virtual INT_PTR OnOtherMessage(UINT /*message*/, WPARAM, LPARAM) { return FALSE; }
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
  INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);

  const int templateId_;
  HWND window_ = nullptr;
  HWND toolTips_ = nullptr;
};

}  // namespace zq
