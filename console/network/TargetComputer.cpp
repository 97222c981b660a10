// The console's target computer.
#include "console/network/TargetComputer.h"

namespace zq {

std::string g_targetComputerName;

}  // namespace zq
