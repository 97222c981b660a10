// The modeless-dialog base: dialog procedure, exception firewall, message loop.
#include "common/ModelessDialog.h"

#include <algorithm>
#include <vector>

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

bool ModelessDialog::Create(int templateId, HWND owner) {
  if (window_) return true;
  return ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner,
                              DialogProc, reinterpret_cast<LPARAM>(this)) != nullptr &&
         window_ != nullptr;
}

void ModelessDialog::Destroy() {
  if (window_) ::DestroyWindow(window_);
}

void ModelessDialog::RunMessageLoop() {
  MSG message;
  while (window_ && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsKeyOfLiveDialog(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
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

// The firewall: whatever a handler throws ends the form here, never in Windows.
INT_PTR ModelessDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return OnMessage(message, wParam, lParam);
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
