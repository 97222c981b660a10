// The running program's folder.
#include <windows.h>

#include <vector>

#include "common/Cp932.h"
#include "common/ProgramDirectory.h"

namespace zq {

std::string ProgramDirectory() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      std::string full(path.data(), length);
      const std::size_t end = Cp932FindLast(full, "\\");
      if (end == std::string::npos) return {};
      return full.substr(0, end == 2 ? 3 : end);  // "C:\" keeps its backslash
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace zq
