// Portable part of the sender's start-up module.
#include "sender/basPelmora.h"

#include <cstdlib>

#include "common/Cp932.h"
#include "common/MessageBox.h"

namespace zq {

std::string g_showMessages;

bool MessagesShown() { return LeadingNumber(g_showMessages) == 1.0; }

int PelmoraMessage(const std::string& text, unsigned style) {
  if (!MessagesShown()) return kIdOk;
  return ShowMessageBox(text, kPelmoraTitle, style);
}

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

std::string ReportLogPath(std::string_view parameterFilePath) {
  return std::string(parameterFilePath) + ".log";
}

double LeadingNumber(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  std::string number;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) number += text[pos++];
  bool seenPoint = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c >= '0' && c <= '9') {
      number += c;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
      number += c;
    } else {
      break;
    }
  }
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace zq
