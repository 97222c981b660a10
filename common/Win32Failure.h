// What a failed platform call leaves, in the one shape every Win32 layer reports: its error
// number and the system's text for it. Portable; FailureOf and LastFailure, which fill it in,
// are in common/PlatformText.h.
#pragma once

#include <cstdint>
#include <string>

namespace zq {

struct Win32Failure {
  std::uint32_t code = 0;  // 0: no failure
  std::string text;        // the system's text for `code`
  bool failed() const { return code != 0; }
};

}  // namespace zq
