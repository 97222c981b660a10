// The trace's clock.
#include <windows.h>

#include <cstdio>

#include "sender/mail/SessionTrace.h"

namespace zq {

std::string LocalClockText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
                now.wMilliseconds);
  return text;
}

}  // namespace zq
