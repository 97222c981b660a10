// The folder of the running program, where both programs look for what they ship with and
// what a relative setting names.
#pragma once

#include <string>

namespace zq {

// The directory the running program was started from (no trailing backslash unless a root);
// "" when it cannot be read. Win32 only.
std::string ProgramDirectory();

}  // namespace zq
