// The session window's controls as the session shows itself: the window placed a little
// above the centre of the screen, the title line, the one-line status bar (throttled while
// message text flows) and the progress bar. Windows only.
#pragma once

#include <windows.h>

#include <string>

namespace zq {

class SessionControls {
 public:
  // The window is created: it is placed, titled and its progress bar set to 0..100.
  void Attach(HWND window, const char* caption);

  void SetTitle(const std::string& text);
  // The text's first line without its CR LF; at once, or at most every 250 ms.
  void SetStatus(const std::string& text);
  void SetStatusThrottled(const std::string& text);
  // Adds progress steps (the bar ends at 100); Complete fills it, Reset empties it.
  void Advance(int steps);
  void Complete();
  void Reset();

 private:
  HWND window_ = nullptr;
  int progress_ = 0;
  unsigned long lastStatusTick_ = 0;
};

}  // namespace zq
