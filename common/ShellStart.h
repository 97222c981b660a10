// Starting a program or document through the shell, and what its failure codes mean.
// ShellStartFailureText is portable; StartThroughShell is in ShellStart_win.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace zq {

// The meaning of a shell start's failure code (0 to 32), in words.
std::string ShellStartFailureText(std::uint32_t code);

// Opens `file` with `parameters` ("" for none) in `directory` ("" for the current one),
// shown normally. 0 when it
// started, else the shell's failure code.
std::uint32_t StartThroughShell(const std::string& file, const std::string& parameters,
                                const std::string& directory);

}  // namespace zq
