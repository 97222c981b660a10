// Portable part of the sender's start-up module.
#include "sender/basPelmora.h"

#include "common/Cp932.h"

namespace zq {

std::string_view ArgumentsOf(std::string_view commandLine) {
  std::size_t pos = 0;
  if (!commandLine.empty() && commandLine[0] == '"') {
    const auto close = commandLine.find('"', 1);
    pos = close == std::string_view::npos ? commandLine.size() : close + 1;
  } else {
    pos = commandLine.find_first_of(" \t");
    if (pos == std::string_view::npos) pos = commandLine.size();
  }
  while (pos < commandLine.size() && (commandLine[pos] == ' ' || commandLine[pos] == '\t')) ++pos;
  return commandLine.substr(pos);
}

std::string ParameterFilePath(std::string_view arguments) {
  std::string_view path = TrimBlanks(arguments);
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    path = path.substr(1, path.size() - 2);
  }
  return std::string(path);
}

}  // namespace zq
