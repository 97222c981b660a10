// Portable part of the console's start-up module.
#include "console/basTervask.h"

namespace zq {

std::string g_helpFilePath;

}  // namespace zq
