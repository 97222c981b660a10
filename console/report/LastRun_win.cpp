// Reads the files of a report job's last run: their times, and the trace's last bytes only.
#include <windows.h>

#include "common/ReportContract.h"
#include "common/UniqueHandle.h"
#include "console/report/LastRun.h"

namespace zq {
namespace {

FileLook LookAt(const std::string& path) {
  FileLook look;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return look;
  FILETIME local{};
  SYSTEMTIME t{};
  if (!::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !::FileTimeToSystemTime(&local, &t)) {
    return look;
  }
  look.exists = true;
  look.written = {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  return look;
}

// The last kTraceTailBytes of the file; "" when it cannot be read. The sender may be writing
// it: it is shared for reading and writing, and never waited for.
std::string TailOf(const std::string& path) {
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) return {};
  const LONGLONG start = size.QuadPart > static_cast<LONGLONG>(kTraceTailBytes)
                             ? size.QuadPart - static_cast<LONGLONG>(kTraceTailBytes)
                             : 0;
  LARGE_INTEGER offset{};
  offset.QuadPart = start;
  if (!::SetFilePointerEx(file.get(), offset, nullptr, FILE_BEGIN)) return {};
  std::string tail(kTraceTailBytes, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.get(), tail.data(), static_cast<DWORD>(tail.size()), &read, nullptr)) {
    return {};
  }
  tail.resize(read);
  return tail;
}

}  // namespace

std::string LastRunOf(const std::string& parameterPath) {
  const std::string tracePath = parameterPath + kSessionTraceSuffix;
  const FileLook trace = LookAt(tracePath);
  return LastRunText(LookAt(parameterPath + kReportLogSuffix), trace,
                     trace.exists ? TailOf(tracePath) : std::string());
}

}  // namespace zq
