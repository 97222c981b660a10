// The session window's title, status and progress controls.
#include "sender/mail/SessionControls_win.h"

#include <commctrl.h>

#include <algorithm>

#include "sender/mail/frmSendEmailIds.h"

namespace zq {
namespace {
constexpr DWORD kStatusIntervalMs = 250;
}  // namespace

void SessionControls::Attach(HWND window, const char* caption) {
  window_ = window;
  RECT frame{};
  ::GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(window, nullptr, ::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2,
                 ::GetSystemMetrics(SM_CYSCREEN) * 85 / 200 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  ::SetWindowTextA(window, caption);
  ::SendDlgItemMessageA(window, IDP_ProgressBar1, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
}

void SessionControls::SetTitle(const std::string& text) {
  if (window_) ::SetDlgItemTextA(window_, IDL_lblTitle, text.c_str());
}

void SessionControls::SetStatus(const std::string& text) {
  // A command or reply line keeps its CR LF in the trace, not in the one-line status bar.
  std::string line = text;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (window_) ::SetDlgItemTextA(window_, IDS_StatusBar1, line.c_str());
  lastStatusTick_ = ::GetTickCount();
}

void SessionControls::SetStatusThrottled(const std::string& text) {
  if (::GetTickCount() - lastStatusTick_ >= kStatusIntervalMs) SetStatus(text);
}

void SessionControls::Advance(int steps) {
  if (steps == 0) return;
  progress_ = std::min(progress_ + steps, 100);
  if (window_) ::SendDlgItemMessageA(window_, IDP_ProgressBar1, PBM_SETPOS, progress_, 0);
}

void SessionControls::Complete() { Advance(100); }

void SessionControls::Reset() { Advance(-progress_); }

}  // namespace zq
