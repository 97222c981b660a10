// zqTervask's start-up module: the help file the start finds, the local computer's name and
// Main. What the windows share lives in modules named for it:
// ConsoleMessages, ConsoleText, MailSettings.
#pragma once

#include <string>

#include "common/ProgramDirectory.h"
#include "console/ConsoleMessages.h"
#include "console/ConsoleText.h"
#include "console/MailSettings.h"
#include "console/network/TargetComputer.h"

namespace zq {

inline constexpr char kHelpFileName[] = "zqTervask.hlp";

// Process-wide console state (one user-interface thread).
extern std::string g_helpFilePath;

// The local computer's name, "" when it cannot be read.
std::string GetLocalComputerName();

// The console's start: program directory current, settings loaded, the main window shown
// until it ends. Returns the exit code.
int Main();

}  // namespace zq
