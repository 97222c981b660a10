// Starting a console command and waiting for it, bounded by a time limit.
#include <windows.h>

#include <vector>

#include "common/UniqueHandle.h"
#include "sender/basExecuteCommand.h"

namespace zq {
namespace {

constexpr DWORD kTreeEndWaitMs = 5000;

// The NUL device, inheritable, for the child's standard handles.
UniqueFile OpenNulDevice() {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return UniqueFile(::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                  nullptr));
}

// Starts the process suspended, outside any job the sender itself may run in when allowed.
bool StartSuspended(const char* program, const std::string& commandLine, HANDLE stdHandle,
                    PROCESS_INFORMATION& info) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  if (stdHandle != INVALID_HANDLE_VALUE) {
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = stdHandle;
  }
  const BOOL inherit = stdHandle != INVALID_HANDLE_VALUE;
  for (const DWORD breakaway : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
    if (::CreateProcessA(program, line.data(), nullptr, nullptr, inherit,
                         CREATE_SUSPENDED | breakaway, nullptr, nullptr, &startup, &info)) {
      return true;
    }
    if (::GetLastError() != ERROR_ACCESS_DENIED) break;
  }
  return false;
}

// Processes pending window messages. A quit request is remembered, not acted on here.
void ServeMessages(bool& quitSeen, WPARAM& quitCode) {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitSeen = true;
      quitCode = msg.wParam;
      continue;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

// Waits for the process to end, at most `limitMs`, serving window messages meanwhile.
bool WaitServingMessages(HANDLE process, DWORD limitMs) {
  bool quitSeen = false;
  WPARAM quitCode = 0;
  const DWORD start = ::GetTickCount();
  bool ended = false;
  for (;;) {
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= limitMs) break;
    const DWORD wait = ::MsgWaitForMultipleObjects(1, &process, FALSE, limitMs - elapsed,
                                                   quitSeen ? 0 : QS_ALLINPUT);
    if (wait == WAIT_OBJECT_0 + 1) {
      ServeMessages(quitSeen, quitCode);
      continue;
    }
    if (wait == WAIT_OBJECT_0) ended = true;
    if (wait == WAIT_FAILED)
      ended = ::WaitForSingleObject(process, limitMs - elapsed) == WAIT_OBJECT_0;
    break;
  }
  if (quitSeen) ::PostQuitMessage(static_cast<int>(quitCode));
  return ended;
}

// Ends the command and everything it started, and waits (bounded) until they are gone so
// that the log file is free again.
void EndProcessTree(HANDLE job, bool inJob, HANDLE process) {
  if (inJob && ::TerminateJobObject(job, 1)) {
    const DWORD start = ::GetTickCount();
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    while (::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                       sizeof(accounting), nullptr) &&
           accounting.ActiveProcesses > 0 && ::GetTickCount() - start < kTreeEndWaitMs) {
      ::Sleep(20);
    }
  } else {
    ::TerminateProcess(process, 1);
  }
  ::WaitForSingleObject(process, kTreeEndWaitMs);
}

}  // namespace

int ExecuteCommand(const char* program, const std::string& commandLine, unsigned limitSeconds) {
  const UniqueFile nul = OpenNulDevice();
  PROCESS_INFORMATION info{};
  if (!StartSuspended(program, commandLine, nul.get(), info)) return kCommandFailedToStart;
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);

  // A job holds the command's whole process tree, so a time-out can end all of it.
  const UniqueHandle job(::CreateJobObjectA(nullptr, nullptr));
  const bool inJob = job && ::AssignProcessToJobObject(job.get(), process.get());
  if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    ::TerminateProcess(process.get(), 1);
    return kCommandFailedToStart;
  }

  const DWORD limitMs = limitSeconds > MAXDWORD / 1000 ? MAXDWORD - 1 : limitSeconds * 1000;
  if (WaitServingMessages(process.get(), limitMs)) return kCommandEnded;
  EndProcessTree(job.get(), inJob, process.get());
  return kCommandTimedOut;
}

}  // namespace zq
