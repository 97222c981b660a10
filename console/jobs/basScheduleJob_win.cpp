// The Schedule service's AT calls.
#include "console/jobs/basScheduleJob_win.h"

#include <windows.h>
// after windows.h
#include <lm.h>
#include <lmat.h>

#include <vector>

#include "common/PlatformText.h"
#include "common/UniqueHandle.h"

namespace zq {
namespace {

constexpr DWORD kServiceNotAvailable = 1753;  // EPT_S_NOT_REGISTERED

struct NetBufferTraits {
  using Type = LPBYTE;
  static Type Invalid() { return nullptr; }
  static void Close(Type buffer) { ::NetApiBufferFree(buffer); }
};
using UniqueNetBuffer = UniqueAny<NetBufferTraits>;

// 0 when the service runs; else why its calls must not be made.
DWORD ServiceState(const std::string& name) {
  const UniqueServiceHandle manager(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return ::GetLastError();
  const UniqueServiceHandle service(
      ::OpenServiceA(manager.get(), name.c_str(), SERVICE_QUERY_STATUS));
  if (!service) return kServiceNotAvailable;
  SERVICE_STATUS status{};
  if (!::QueryServiceStatus(service.get(), &status)) return ::GetLastError();
  return status.dwCurrentState == SERVICE_RUNNING ? 0 : kServiceNotAvailable;
}

}  // namespace

std::string GetNetErrorText(std::uint32_t status) {
  if (status == 0) status = ::GetLastError();
  DWORD flags =
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  UniqueModule netmsg;
  if (status >= 2100 && status <= 2999) {
    netmsg.reset(::LoadLibraryExA("NETMSG.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (netmsg) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  }
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(flags, netmsg.get(), status, TextLanguage(),
                                        reinterpret_cast<char*>(&text), 0, nullptr);
  std::string line = TakeFormattedText(text, length);
  return line.substr(0, line.find("\r\n"));
}

JobStore::Page ServiceJobStore::Enumerate(std::uint32_t& resume) {
  if (const DWORD state = ServiceState(service_)) return {state, {}};
  LPBYTE raw = nullptr;
  DWORD read = 0, total = 0;
  DWORD handle = resume;
  const NET_API_STATUS status =
      ::NetScheduleJobEnum(L"", &raw, MAX_PREFERRED_LENGTH, &read, &total, &handle);
  const UniqueNetBuffer buffer(raw);
  Page page{status, {}};
  if (status != NERR_Success && status != ERROR_MORE_DATA) return page;
  resume = handle;
  const auto* records = reinterpret_cast<const AT_ENUM*>(buffer.get());
  for (DWORD i = 0; records && i < read; ++i) {
    const AT_ENUM& r = records[i];
    page.jobs.push_back({r.JobId,
                         {static_cast<std::uint32_t>(r.JobTime), r.DaysOfMonth, r.DaysOfWeek,
                          r.Flags, AnsiOfWide(r.Command)}});
  }
  return page;
}

std::uint32_t ServiceJobStore::Add(const JobSpec& job, std::uint32_t& id) {
  if (const DWORD state = ServiceState(service_)) return state;
  std::wstring command = WideOfAnsi(job.command);
  AT_INFO info{};
  info.JobTime = job.jobTime;
  info.DaysOfMonth = job.daysOfMonth;
  info.DaysOfWeek = job.daysOfWeek;
  info.Flags = job.flags;
  info.Command = command.data();
  DWORD added = 0;
  const NET_API_STATUS status = ::NetScheduleJobAdd(L"", reinterpret_cast<LPBYTE>(&info), &added);
  if (status == NERR_Success) id = added;
  return status;
}

std::uint32_t ServiceJobStore::Delete(std::uint32_t id) {
  if (const DWORD state = ServiceState(service_)) return state;
  return ::NetScheduleJobDel(L"", id, id);
}

std::string ServiceJobStore::ErrorText(std::uint32_t status) { return GetNetErrorText(status); }

}  // namespace zq
