// Command lines as the console splits them: the shell's rule for running at once, the
// system's rule for a program a scheduled task starts, and a browsed path as command text.
// Portable.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zq {

struct CommandParts {
  std::string file, parameters;
  bool operator==(const CommandParts&) const = default;
};

// A run-now command line as program and parameters: a command starting with a double quote
// has the quoted part as program and the rest, less one blank, as parameters; otherwise it
// is split at its first blank. Blanks around the command are removed first.
CommandParts SplitRunNowCommand(std::string_view command);

// The program a scheduled task starts for `command`, found as the system finds it in an
// unquoted command line: a quoted program as it is; otherwise each prefix ending at a blank,
// from the left, then the whole line, ".exe" added to a name without an extension, the first
// that `exists` names. A line without a blank is taken as it is. Nothing when no prefix names
// a program.
std::optional<CommandParts> ResolveProgramCommand(
    std::string_view command, const std::function<bool(const std::string&)>& exists);

// A browsed path as command text: in double quotes when it holds a blank.
std::string CommandOfPath(const std::string& path);

}  // namespace zq
