// Report file names and the batch file's lines.
#include "console/report/ReportFiles.h"

#include <cstdio>

#include "common/Cp932.h"
#include "console/ConsoleText.h"
#include "console/report/ReportParameters.h"

namespace zq {
namespace {

// True when a command line would treat part of `path` as syntax. Scanned by characters:
// CP932 trail bytes take the values of | and ^.
bool HoldsCommandSyntax(std::string_view path) {
  for (const char* special : {"&", "|", "<", ">", "^", "%"}) {
    if (Cp932Contains(path, special)) return true;
  }
  return false;
}

// `path` in double quotes, each % doubled (a batch file reads %% as one %).
std::string QuotedForBatch(std::string_view path) {
  std::string quoted = "\"";
  for (std::size_t pos = 0; pos < path.size();) {
    const std::size_t length = Cp932CharLength(path, pos);
    const std::string_view character = path.substr(pos, length);
    quoted.append(character);
    if (character == "%") quoted += '%';
    pos += length;
  }
  return quoted + "\"";
}

bool HasDriveLetter(std::string_view path) { return path.size() >= 2 && path[1] == ':'; }

}  // namespace

std::string ReportFileName(const LocalTime& moment, int attempt) {
  char name[32] = {};
  std::snprintf(name, sizeof name, "%02d%02d%02d%02d%02d%02d", moment.year % 100, moment.month,
                moment.day, moment.hour, moment.minute, moment.second);
  std::string text(name);
  if (attempt > 1) text += "_" + std::to_string(attempt);
  return text;
}

NameState NameStateOf(bool found, std::uint32_t error) {
  constexpr std::uint32_t kFileNotFound = 2;  // ERROR_FILE_NOT_FOUND
  if (found) return NameState::kTaken;
  return error == kFileNotFound ? NameState::kFree : NameState::kUnknown;
}

std::string BatchFileText(std::string_view programDirectory, std::string_view name) {
  // The sender by its full path: were it gone, a bare name would be searched for along the
  // PATH, and the job runs as SYSTEM.
  const std::string sender = QuotedForBatch(PathInDirectory(programDirectory, kSenderProgramName)) +
                             " " + kWorkDirectoryName + "\\" + std::string(name) + "\r\n";
  if (!HasDriveLetter(programDirectory)) {
    return "PUSHD " + QuotedForBatch(programDirectory) + "\r\n" + sender + "POPD\r\n";
  }
  const std::string drive(programDirectory.substr(0, 2));
  std::string directory(programDirectory);
  if (directory.size() == 2) directory += '\\';  // "CD C:" would keep C:'s current directory
  const std::string target = HoldsCommandSyntax(directory) ? QuotedForBatch(directory) : directory;
  return drive + "\r\n" + "CD " + target + "\r\n" + sender;
}

}  // namespace zq
