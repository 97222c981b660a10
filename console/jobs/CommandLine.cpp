// Command-line splitting.
#include "console/jobs/CommandLine.h"

#include "common/Cp932.h"

namespace zq {
namespace {

// True when the last path element of `name` holds a dot. Scanned by characters: a trail byte
// can be a backslash.
bool HasExtension(std::string_view name) {
  const std::size_t slash = Cp932FindLast(name, "\\");
  const std::string_view last = slash == std::string_view::npos ? name : name.substr(slash + 1);
  return last.find('.') != std::string_view::npos;
}

}  // namespace

CommandParts SplitRunNowCommand(std::string_view command) {
  command = TrimBlanks(command);
  if (!command.empty() && command.front() == '"') {
    const std::size_t close = command.find('"', 1);
    if (close != std::string_view::npos) {
      std::string_view rest = command.substr(close + 1);
      if (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
      return {std::string(command.substr(1, close - 1)), std::string(rest)};
    }
  }
  const std::size_t blank = command.find(' ');
  if (blank == std::string_view::npos) return {std::string(command), {}};
  return {std::string(command.substr(0, blank)), std::string(command.substr(blank + 1))};
}

std::optional<CommandParts> ResolveProgramCommand(
    std::string_view command, const std::function<bool(const std::string&)>& exists) {
  command = TrimBlanks(command);
  if (command.empty()) return std::nullopt;
  if (command.front() == '"' || command.find(' ') == std::string_view::npos) {
    return SplitRunNowCommand(command);
  }
  for (std::size_t end = command.find(' ');; end = command.find(' ', end + 1)) {
    const std::string prefix(command.substr(0, end));
    const std::string name = HasExtension(prefix) ? prefix : prefix + ".exe";
    if (exists(name)) {
      const std::string_view rest =
          end == std::string_view::npos ? std::string_view() : command.substr(end + 1);
      return CommandParts{name, std::string(rest)};
    }
    if (end == std::string_view::npos) return std::nullopt;
  }
}

std::string CommandOfPath(const std::string& path) {
  return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

}  // namespace zq
