// The command runner: starts one program with its output appended to a file and waits until
// it has ended, serving the sender's window messages meanwhile. It knows nothing of the report.
#pragma once

#include <cstdint>
#include <string>

#include "common/Win32Failure.h"

namespace zq {

// What a command run reports.
enum CommandResult : int { kCommandEnded = 0, kCommandFailedToStart = -1, kCommandTimedOut = 1 };

struct CommandOutcome {
  int result = kCommandEnded;
  Win32Failure failure;  // kCommandFailedToStart: why it could not start
};

// Starts `commandLine` with `program` (a full path) as the module. Its standard input is the
// NUL device, so nothing waits for keyboard input; its standard output and error are appended
// to `outputPath`. Waits for it at most `limitSeconds`. The whole process tree lives in a job
// that ends with the run: on a time-out, when the command has ended, and when the sender
// itself is stopped. Win32 only.
CommandOutcome ExecuteCommand(const std::string& program, const std::string& commandLine,
                              const std::string& outputPath, unsigned limitSeconds);

// The command interpreter of the system folder ("" when the folder cannot be read), never one
// found in the program or current folder.
std::string SystemCommandInterpreter();

}  // namespace zq
