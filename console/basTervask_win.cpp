// The console's start-up module on Windows: the computer name.
#include <windows.h>

#include "common/PlatformText.h"
#include "console/basTervask.h"

namespace zq {

std::string GetLocalComputerName() { return LocalComputerName(); }

}  // namespace zq
