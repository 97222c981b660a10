// The command runner: starts one program and waits until it has ended, serving the sender's
// window messages meanwhile. It knows nothing of the report.
#pragma once

#include <string>

#include "sender/ReportRun.h"

namespace zq {

// Starts `commandLine` (with `program` as the module, or nullptr to take it from the line)
// with its standard handles on the NUL device, so nothing waits for keyboard input, and
// waits for it at most `limitSeconds`. Returns kCommandEnded, kCommandFailedToStart, or
// kCommandTimedOut after the whole process tree was ended.
int ExecuteCommand(const char* program, const std::string& commandLine, unsigned limitSeconds);

}  // namespace zq
