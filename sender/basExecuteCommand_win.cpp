// Starting a console command with its output appended to a file and waiting for it, bounded by
// a time limit; the whole process tree lives in a kill-on-close job.
#include <windows.h>

#include <vector>

#include "common/MessageWait_win.h"
#include "common/PlatformText.h"
#include "common/UniqueHandle.h"
#include "sender/basExecuteCommand.h"

namespace zq {
namespace {

constexpr DWORD kTreeEndWaitMs = 5000;

UniqueFile OpenInheritable(const char* path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return UniqueFile(::CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A job whose processes all end when its last handle closes.
UniqueHandle CreateKillOnCloseJob() {
  UniqueHandle job(::CreateJobObjectA(nullptr, nullptr));
  if (!job) return job;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                 sizeof limits)) {
    job.reset();
  }
  return job;
}

// Starts the process suspended, outside any job the sender itself may run in when allowed.
// It gets a console without a window: the console programs it starts then share that console
// and the inherited standard handles, where without one each would get a visible console of
// its own and write there instead of into the log.
bool StartSuspended(const std::string& program, const std::string& commandLine, HANDLE input,
                    HANDLE output, PROCESS_INFORMATION& info) {
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = startup.hStdError = output;
  for (const DWORD breakaway : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
    if (::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                         CREATE_SUSPENDED | CREATE_NO_WINDOW | breakaway, nullptr, nullptr,
                         &startup, &info)) {
      return true;
    }
    if (::GetLastError() != ERROR_ACCESS_DENIED) break;
  }
  return false;
}

// Ends everything in the job and waits, bounded, until it is gone so that the log is free.
bool EndJob(HANDLE job) {
  if (!::TerminateJobObject(job, 1)) return false;
  const DWORD start = ::GetTickCount();
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
  while (::QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                     sizeof(accounting), nullptr) &&
         accounting.ActiveProcesses > 0 && ::GetTickCount() - start < kTreeEndWaitMs) {
    ::Sleep(20);
  }
  return true;
}

// Ends the command and everything it started (the process alone when it is in no job).
void EndProcessTree(HANDLE job, bool inJob, HANDLE process) {
  if (!inJob || !EndJob(job)) ::TerminateProcess(process, 1);
  ::WaitForSingleObject(process, kTreeEndWaitMs);
}

CommandOutcome StartFailure() {
  const DWORD error = ::GetLastError();
  return {kCommandFailedToStart, FailureOf(error)};
}

}  // namespace

std::string SystemCommandInterpreter() {
  char folder[MAX_PATH];
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(folder, length) + "\\cmd.exe";
}

CommandOutcome ExecuteCommand(const std::string& program, const std::string& commandLine,
                              const std::string& outputPath, unsigned limitSeconds) {
  const UniqueFile input = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  if (!input) return StartFailure();
  // Appending only: every write lands at the end, whoever in the tree writes.
  const UniqueFile output =
      OpenInheritable(outputPath.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, OPEN_ALWAYS);
  if (!output) return StartFailure();
  PROCESS_INFORMATION info{};
  if (!StartSuspended(program, commandLine, input.get(), output.get(), info)) {
    return StartFailure();
  }
  const UniqueHandle process(info.hProcess);
  const UniqueHandle thread(info.hThread);

  const UniqueHandle job = CreateKillOnCloseJob();
  const bool inJob = job && ::AssignProcessToJobObject(job.get(), process.get());
  if (::ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
    const CommandOutcome failure = StartFailure();
    ::TerminateProcess(process.get(), 1);
    return failure;
  }

  const DWORD limitMs = limitSeconds > MAXDWORD / 1000 ? MAXDWORD - 1 : limitSeconds * 1000;
  if (WaitServingMessages(process.get(), limitMs, QuitDuringWait::kWaitGoesOn)) {
    // What the command left running ends with it, so nothing holds the log or outlives the run.
    if (inJob) EndJob(job.get());
    return {kCommandEnded, 0, {}};
  }
  EndProcessTree(job.get(), inJob, process.get());
  return {kCommandTimedOut, 0, {}};
}

}  // namespace zq
