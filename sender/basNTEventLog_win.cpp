// The Win32 side of the event-log section: event-log reading, account lookup, the category
// message file named in the registry, message modules and system error texts.
#include <windows.h>

#include <memory>

#include <algorithm>
#include <vector>

#include "common/PlatformText.h"
#include "common/UniqueHandle.h"
#include "sender/EventLogRecord.h"
#include "sender/basNTEventLog.h"

namespace zq {
namespace {

constexpr char kEventLogKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\";

// Message `number` of a loaded module, inserts left as they stand: in the user's language,
// else in whatever language the module holds it.
std::string MessageTextOf(HMODULE module, DWORD number) {
  for (const DWORD language : {TextLanguage(), DWORD{0}}) {
    char* text = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS |
                             FORMAT_MESSAGE_ALLOCATE_BUFFER,
                         module, number, language, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = TakeFormattedText(text, length);
    if (!message.empty()) return message;
  }
  return {};
}

// Loads a message module as data only: its code never runs in the sender.
HMODULE LoadAsData(const std::string& path) {
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

// The machine argument of the event-log and account calls: none for this computer, so the
// local log is read directly rather than through the remote procedure service (which a
// computer may not run).
const char* MachineOf(const std::string& computerName) {
  if (computerName.empty()) return nullptr;
  const std::string local = LocalComputerName();
  if (!local.empty() && ::lstrcmpiA(local.c_str(), computerName.c_str()) == 0) return nullptr;
  return computerName.c_str();
}

// The source's "CategoryMessageFile", up to its first NUL, environment references expanded.
std::string CategoryMessageFileOf(const std::string& logName, const std::string& sourceName) {
  const auto path = ReadRegistryValue(
      HKEY_LOCAL_MACHINE, kEventLogKey + logName + "\\" + sourceName, "CategoryMessageFile");
  if (!path) return {};
  return path->find('%') == std::string::npos ? *path : ExpandEnvironment(*path);
}

class Win32EventLog final : public EventLogPlatform {
 public:
  std::uint32_t OpenLog(const std::string& computerName, const std::string& logName) override {
    log_.reset(::OpenEventLogA(MachineOf(computerName), logName.c_str()));
    return log_.valid() ? 0 : ::GetLastError();
  }

  EventReadResult ReadBackwards(std::span<std::uint8_t> buffer) override {
    DWORD read = 0;
    DWORD needed = 0;
    EventReadResult result;
    if (!::ReadEventLogA(log_.get(), EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0,
                         buffer.data(), static_cast<DWORD>(buffer.size()), &read, &needed)) {
      result.error = ::GetLastError();
      if (result.error == 0) result.error = ERROR_GEN_FAILURE;
    }
    result.bytesRead = read;
    result.bytesNeeded = needed;
    return result;
  }

  void CloseLog() override { log_.reset(); }

  bool LookupAccount(const std::string& computerName, std::span<const std::uint8_t> sid,
                     std::string& name) override {
    return LookupAccountName(computerName, sid, name);
  }

  std::string CategoryMessageFile(const std::string& logName,
                                  const std::string& sourceName) override {
    return CategoryMessageFileOf(logName, sourceName);
  }

  Module LoadMessageModule(const std::string& path) override {
    return reinterpret_cast<Module>(LoadAsData(path));
  }

  void FreeMessageModule(Module module) override {
    ::FreeLibrary(reinterpret_cast<HMODULE>(module));
  }

  std::string ModuleMessageText(Module module, std::uint32_t number) override {
    return MessageTextOf(reinterpret_cast<HMODULE>(module), number);
  }

  LocalDateTime LocalTimeOf(std::uint32_t utcSeconds) override {
    // FILETIME counts 100 ns steps from 1601-01-01; 11644473600 s lie before 1970.
    const ULONGLONG ticks = (ULONGLONG{utcSeconds} + 11644473600ULL) * 10000000ULL;
    FILETIME utcFile{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&utcFile, &utc) ||
        !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
      local = utc;
    }
    return DateTimeOf(local);
  }

  LocalDateTime Now() override {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return DateTimeOf(now);
  }

  std::string SystemErrorText(std::uint32_t error) override { return FailureOf(error).text; }

 private:
  static LocalDateTime DateTimeOf(const SYSTEMTIME& t) {
    return LocalDateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
  }

  UniqueEventLog log_;
};

}  // namespace

std::unique_ptr<EventLogPlatform> MakeWin32EventLog() { return std::make_unique<Win32EventLog>(); }

void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                          const std::string& logName, std::int16_t days) {
  Win32EventLog platform;
  WriteEventLogSection(log, computerName, logName, days, platform);
}

bool LookupAccountName(const std::string& computerName, std::span<const std::uint8_t> sid,
                       std::string& name) {
  if (!IsCompleteSid(sid)) return false;
  std::vector<std::uint8_t> copy(sid.begin(), sid.end());  // the call takes a mutable PSID
  if (!::IsValidSid(copy.data())) return false;
  std::vector<char> account(256);
  std::vector<char> domain(256);
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD accountLength = static_cast<DWORD>(account.size());
    DWORD domainLength = static_cast<DWORD>(domain.size());
    SID_NAME_USE use;
    if (::LookupAccountSidA(MachineOf(computerName), copy.data(), account.data(), &accountLength,
                            domain.data(), &domainLength, &use)) {
      name.assign(account.data());
      return true;
    }
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    account.resize(std::max<std::size_t>(account.size(), accountLength + 1));
    domain.resize(std::max<std::size_t>(domain.size(), domainLength + 1));
  }
  return false;
}

}  // namespace zq
