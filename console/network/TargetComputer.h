// The computer the console works on, as chosen in the network browser ("" for this one).
#pragma once

#include <string>

namespace zq {

extern std::string g_targetComputerName;  // one user-interface thread

}  // namespace zq
