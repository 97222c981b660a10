// The last run of a report job, from the end of its trace.
#include "console/report/LastRun.h"

#include <cstdio>
#include <tuple>

#include "common/Cp932.h"
#include "common/ReportContract.h"
#include "console/ConsoleText.h"
#include "console/report/ReportFiles.h"

namespace zq {
namespace {

std::string TimeOf(const LocalTime& t) {
  char text[32] = {};
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d ", t.year, t.month, t.day, t.hour,
                t.minute);
  return text;
}

bool Before(const LocalTime& a, const LocalTime& b) {
  return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second) <
         std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
}

// The exit code of a trace whose last line is "... * 終了コード N".
std::optional<int> ExitCodeOfTrace(std::string_view tail) {
  while (!tail.empty() && (tail.back() == '\r' || tail.back() == '\n')) tail.remove_suffix(1);
  const std::size_t lineStart = tail.rfind('\n');
  const std::string_view line = lineStart == std::string_view::npos ? tail : tail.substr(lineStart);
  constexpr std::string_view kMark = "* 終了コード ";
  const std::size_t at = line.find(kMark);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view digits = line.substr(at + kMark.size());
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  int code = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    code = code * 10 + (c - '0');
  }
  return code;
}

}  // namespace

std::optional<std::string> ReportParameterOfCommand(std::string_view command,
                                                    std::string_view programDirectory) {
  command = TrimBlanks(command);
  if (command.size() >= 2 && command.front() == '"' && command.back() == '"') {
    command = command.substr(1, command.size() - 2);
  }
  const std::string folder =
      Cp932AsciiUpper(PathInDirectory(programDirectory, kWorkDirectoryName)) + "\\";
  const std::string upper = Cp932AsciiUpper(command);
  const std::string_view extension = kBatchExtension;
  if (upper.size() <= folder.size() + extension.size() || upper.compare(0, folder.size(), folder) ||
      upper.compare(upper.size() - extension.size(), extension.size(), extension)) {
    return std::nullopt;
  }
  const std::string_view name =
      command.substr(folder.size(), command.size() - folder.size() - extension.size());
  if (name.find('\\') != std::string_view::npos || name.find('/') != std::string_view::npos) {
    return std::nullopt;
  }
  return std::string(command.substr(0, command.size() - extension.size()));
}

std::string LastRunText(const FileLook& log, const FileLook& trace, std::string_view traceTail) {
  if (!log.exists && !trace.exists) return kNeverRunText;
  if (!trace.exists) return TimeOf(log.written) + "レポートを作成しました（メールなし）";
  if (log.exists && Before(trace.written, log.written)) return TimeOf(log.written) + "実行中";
  const std::optional<int> code = ExitCodeOfTrace(traceTail);
  if (!code) return TimeOf(trace.written) + "実行中または中断";
  const char* text = ExitCodeText(*code);
  return TimeOf(trace.written) + std::to_string(*code) + ": " + (text ? text : "不明な終了コード");
}

}  // namespace zq
