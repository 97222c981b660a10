// zqPelmora's start-up module: process-wide state, the command-line contract and reading
// the report parameter file. Main and the platform calls live in basPelmora_win.cpp.
#pragma once

#include <string>
#include <string_view>

namespace zq {

// The arguments part of a process command line: everything after the program name (quoted or
// not) and the blanks that follow it; trailing blanks are kept.
std::string_view ArgumentsOf(std::string_view commandLine);

// The report parameter file path from the arguments: blanks trimmed and, when the whole path
// is enclosed in double quotes, those quotes removed (a Windows path cannot hold a quote).
std::string ParameterFilePath(std::string_view arguments);

// Platform side (basPelmora_win.cpp).

// One value of the report parameter file (ReadProfileString).
std::string ReadParameter(const std::string& file, const std::string& section,
                          const std::string& key);

// The full path under which a relative parameter file path is read: relative to the current
// directory (the profile reader itself would look in the Windows directory). "" stays "".
std::string ProfilePathOf(const std::string& path);

// True when `path` names an existing file (not a directory) that can be opened for reading.
bool ParameterFileReadable(const std::string& path);

// The whole report run of the sender; returns the process exit code.
int Main();

}  // namespace zq
