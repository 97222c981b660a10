// Report files on disk.
#include "console/report/ReportFiles_win.h"

#include "common/AccessSafety_win.h"
#include "common/PlatformText.h"
#include "common/ReportContract.h"
#include "common/UniqueHandle.h"
#include "console/ConsoleText.h"

namespace zq {
namespace {

// Enough suffixes for any burst of submissions; a directory that refuses them all is broken.
constexpr int kMaxAttempts = 1000;

SYSTEMTIME SystemTimeOf(const LocalTime& moment) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(moment.year);
  time.wMonth = static_cast<WORD>(moment.month);
  time.wDay = static_cast<WORD>(moment.day);
  time.wHour = static_cast<WORD>(moment.hour);
  time.wMinute = static_cast<WORD>(moment.minute);
  time.wSecond = static_cast<WORD>(moment.second);
  return time;
}

// What a look at `path` finds; `error` is the failed look's error number.
NameState LookAt(const std::string& path, std::uint32_t& error) {
  const bool found = ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  error = found ? 0 : ::GetLastError();
  return NameStateOf(found, error);
}

bool IsTaken(std::uint32_t error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

}  // namespace

std::uint32_t WriteNewFile(const std::string& path, const std::string& bytes) {
  UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  DWORD written = 0;
  std::uint32_t error = 0;
  if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    error = ::GetLastError();
  } else if (written != bytes.size()) {
    error = ERROR_WRITE_FAULT;
  }
  file.reset();
  if (error != 0) ::DeleteFileA(path.c_str());
  return error;
}

LocalTime SystemClock::Now() const {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::string CreatedText(const LocalTime& moment) {
  const SYSTEMTIME time = SystemTimeOf(moment);
  return ShortDateText(&time) + " " + TimeText(true, &time);
}

std::uint32_t MakeProtectedDirectory(const std::string& path) {
  return MakeDirectoryWithAccess(path, kWorkDirectoryAccess, true);
}

ReportWrite WriteReportPair(const std::string& programDirectory, const LocalTime& moment,
                            const std::string& parameterText) {
  const std::string directory = PathInDirectory(programDirectory, kWorkDirectoryName);
  ReportWrite result;
  for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
    ReportPair pair;
    pair.name = ReportFileName(moment, attempt);
    pair.parameterPath = PathInDirectory(directory, pair.name);
    pair.batchPath = pair.parameterPath + kBatchExtension;
    bool taken = false;
    for (const std::string& path :
         {pair.parameterPath, pair.batchPath, pair.parameterPath + kReportLogSuffix,
          pair.parameterPath + kSessionTraceSuffix}) {
      std::uint32_t error = 0;
      const NameState state = LookAt(path, error);
      taken = state == NameState::kTaken;
      if (taken) break;
      if (state == NameState::kUnknown) return {error, path, {}};
    }
    if (taken) continue;
    std::uint32_t error = WriteNewFile(pair.parameterPath, parameterText + "\r\n");
    if (IsTaken(error)) continue;
    if (error != 0) return {error, pair.parameterPath, {}};
    error = WriteNewFile(pair.batchPath, BatchFileText(programDirectory, pair.name));
    if (error != 0) ::DeleteFileA(pair.parameterPath.c_str());
    if (IsTaken(error)) continue;
    if (error != 0) return {error, pair.batchPath, {}};
    result.pair = pair;
    return result;
  }
  return {ERROR_FILE_EXISTS, PathInDirectory(directory, ReportFileName(moment, kMaxAttempts)), {}};
}

}  // namespace zq
