// Starting through the shell.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "common/ShellStart.h"

namespace zq {

std::uint32_t StartThroughShell(const std::string& file, const std::string& parameters,
                                const std::string& directory) {
  const auto result = reinterpret_cast<INT_PTR>(::ShellExecuteA(
      nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
      directory.empty() ? nullptr : directory.c_str(), SW_SHOWNORMAL));
  return result > 32 ? 0 : static_cast<std::uint32_t>(result);
}

}  // namespace zq
