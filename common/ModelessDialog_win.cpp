// The modeless-dialog base: dialog procedure, exception firewall, message loop.
#include "common/ModelessDialog.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "common/PlatformText.h"

namespace zq {
namespace {

// The live forms of the thread, for the dialog keys.
std::vector<HWND>& LiveDialogs() {
  static std::vector<HWND> dialogs;
  return dialogs;
}

// True when the message is a dialog key of a live form (and has been handled as such).
bool IsKeyOfLiveDialog(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST) return false;
  const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
  const auto& dialogs = LiveDialogs();
  return root && std::find(dialogs.begin(), dialogs.end(), root) != dialogs.end() &&
         ::IsDialogMessageA(root, &message);
}

}  // namespace

// The form's handlers are gone by now: the window is detached before it is destroyed.
ModelessDialog::~ModelessDialog() {
  if (!window_) return;
  const HWND window = window_;
  auto& dialogs = LiveDialogs();
  dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), window), dialogs.end());
  ::SetWindowLongPtrA(window, DWLP_USER, 0);
  window_ = nullptr;
  ::DestroyWindow(window);
}

bool ModelessDialog::Create(HWND owner) {
  if (window_) return true;
  return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner,
                              DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr &&
         window_ != nullptr;
}

void ModelessDialog::Destroy() {
  if (window_) ::DestroyWindow(window_);
}

void ModelessDialog::RunMessageLoop() {
  MSG message;
  while (window_) {
    const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      ::PostQuitMessage(static_cast<int>(message.wParam));  // for the outer loop
      return;
    }
    if (got < 0) return;
    if (IsKeyOfLiveDialog(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

bool ModelessDialog::ShowModal(HWND owner) {
  if (owner) ::EnableWindow(owner, FALSE);
  const bool created = Create(owner);
  if (created) {
    ::ShowWindow(window_, SW_SHOWNORMAL);
    RunMessageLoop();
  }
  if (owner) {
    ::EnableWindow(owner, TRUE);
    ::SetActiveWindow(owner);
  }
  return created;
}

void ModelessDialog::CentreOnScreen() {
  RECT frame{};
  if (!window_ || !::GetWindowRect(window_, &frame)) return;
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(window_, nullptr, (::GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (::GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ModelessDialog::AddToolTip(int controlId, const char* text) {
  if (!toolTips_) {
    toolTips_ = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  window_, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (!toolTips_) return;
  }
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(window_, controlId));
  tool.lpszText = const_cast<char*>(text);
  ::SendMessageA(toolTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string ModelessDialog::ItemText(int controlId) const {
  return WindowTextOf(::GetDlgItem(window_, controlId));
}

void ModelessDialog::SetItemText(int controlId, const std::string& text) {
  ::SetDlgItemTextA(window_, controlId, text.c_str());
}

INT_PTR CALLBACK ModelessDialog::DialogProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<ModelessDialog*>(lParam);
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    self->window_ = window;
    LiveDialogs().push_back(window);
  }
  auto* self = reinterpret_cast<ModelessDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (!self) return FALSE;
  const INT_PTR result = self->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    auto& dialogs = LiveDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), window), dialogs.end());
    ::SetWindowLongPtrA(window, DWLP_USER, 0);
    self->window_ = nullptr;
  }
  return result;
}

// The one message switch of every form.
INT_PTR ModelessDialog::Route(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit();
      return TRUE;
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
      return lParam != 0 && OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam) ? TRUE
                                                                                      : FALSE;
    case WM_TIMER:
      return OnTimer(wParam) ? TRUE : FALSE;
    case WM_SIZE:
      return OnSize(LOWORD(lParam), HIWORD(lParam)) ? TRUE : FALSE;
    case WM_CLOSE:
      OnClose();
      return TRUE;
  }
  return OnOtherMessage(message, wParam, lParam);
}

// The firewall: whatever a handler throws ends the form here, never in Windows.
INT_PTR ModelessDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return Route(message, wParam, lParam);
  } catch (...) {
  }
  try {
    OnUnhandledException();
  } catch (...) {
    Destroy();
  }
  return TRUE;
}

}  // namespace zq
