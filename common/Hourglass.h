// The hourglass pointer for a longer step: shown for the life of the object, the normal
// pointer back on every way out, errors included. Windows only.
#pragma once

#include <windows.h>

namespace zq {

class Hourglass {
 public:
  Hourglass() { ::SetCursor(::LoadCursor(nullptr, IDC_WAIT)); }
  Hourglass(const Hourglass&) = delete;
  Hourglass& operator=(const Hourglass&) = delete;
  ~Hourglass() { ::SetCursor(::LoadCursor(nullptr, IDC_ARROW)); }
};

}  // namespace zq
