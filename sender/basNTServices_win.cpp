// The service manager side of the service section.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/UniqueHandle.h"
#include "sender/SenderMessages.h"
#include "sender/basNTServices.h"

namespace zq {
namespace {

constexpr std::size_t kServiceBufferBytes = 64 * 1024;
constexpr std::size_t kMaxServiceBufferBytes = 16 * 1024 * 1024;
constexpr char kEnumerationFailed[] = "サービスの一覧を取得できません";

// A NUL-terminated CP932 string out of a service record (empty for a null address).
std::string AnsiStringAt(const char* address) {
  return address ? std::string(address) : std::string();
}

}  // namespace

ServiceFailure EnumerateServices(const std::string& computerName, std::int32_t filter,
                                 std::size_t bufferBytes,
                                 const std::function<void(const ServiceRecord&)>& each) {
  const std::string machine = computerName.empty() ? std::string() : "\\\\" + computerName;
  UniqueServiceHandle manager(::OpenSCManagerA(machine.empty() ? nullptr : machine.c_str(), nullptr,
                                               SC_MANAGER_ENUMERATE_SERVICE));
  if (!manager) return {"サービスマネージャを開けません", LastFailure()};

  // ENUM_SERVICE_STATUSA elements keep the records aligned; the strings follow them.
  std::vector<ENUM_SERVICE_STATUSA> buffer(
      (std::max(bufferBytes, sizeof(ENUM_SERVICE_STATUSA)) + sizeof(ENUM_SERVICE_STATUSA) - 1) /
      sizeof(ENUM_SERVICE_STATUSA));
  DWORD resume = 0;
  for (;;) {
    const DWORD resumeBefore = resume;
    const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(ENUM_SERVICE_STATUSA));
    DWORD needed = 0;
    DWORD returned = 0;
    const BOOL done =
        ::EnumServicesStatusA(manager.get(), SERVICE_WIN32, static_cast<DWORD>(filter),
                              buffer.data(), bytes, &needed, &returned, &resume);
    const DWORD error = done ? ERROR_SUCCESS : ::GetLastError();
    if (!done && error != ERROR_MORE_DATA && error != ERROR_INSUFFICIENT_BUFFER) {
      return {kEnumerationFailed, FailureOf(error)};
    }
    // Records count only when the call finished the list or moved the resume handle on;
    // a manager that does not resume gets a larger buffer from the same point instead.
    if (done || (error == ERROR_MORE_DATA && resume != resumeBefore)) {
      for (DWORD i = 0; i < returned; ++i) {
        const ENUM_SERVICE_STATUSA& record = buffer[i];
        each(ServiceRecord{AnsiStringAt(record.lpServiceName), AnsiStringAt(record.lpDisplayName),
                           record.ServiceStatus.dwCurrentState});
      }
      if (done) return {};
      continue;
    }
    const std::size_t wanted = std::max<std::size_t>(needed, 2 * std::size_t{bytes});
    if (wanted > kMaxServiceBufferBytes) return {kEnumerationFailed, FailureOf(error)};
    buffer.resize((wanted + sizeof(ENUM_SERVICE_STATUSA) - 1) / sizeof(ENUM_SERVICE_STATUSA));
    resume = resumeBefore;
  }
}

void WriteServiceSection(ReportLog& log, const std::string& computerName, std::int32_t filter) {
  log.Write(ServiceSectionHeading());
  const ServiceFailure failure = EnumerateServices(
      computerName, filter, kServiceBufferBytes,
      [&](const ServiceRecord& s) { log.Write(ServiceLine(s.name, s.state, s.displayName)); });
  if (failure.what.empty()) return;
  const std::string line = SectionFailureLine(failure.what, failure.cause.code, failure.cause.text);
  log.Write(line);
  PelmoraMessage(line, kMbOk);
}

}  // namespace zq
