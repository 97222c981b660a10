// Report submission.
#include "console/report/SubmitReport_win.h"

#include <optional>

#include "common/AccessSafety_win.h"
#include "common/Hourglass.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/ProtectedText_win.h"
#include "common/ShellStart.h"
#include "console/ConsoleText.h"
#include "console/report/ReportFiles_win.h"

namespace zq {
namespace {

ReportOutcome Warning(std::string message) { return {std::move(message), kMbExclamation}; }

// A file or directory of a submission that could not be made.
ReportOutcome FileFailure(const std::string& path, std::uint32_t error) {
  return Warning("アプリケーションエラー！\r\n" + path + "\r\n" + FailureOf(error).text);
}

// Everything a submission needs is checked before any file is written.
std::optional<ReportOutcome> Refusal(const ReportRequest& request) {
  const ScheduleCheck check = ValidateSchedule(request.schedule);
  if (!check.ok) {
    ReportOutcome refused = Warning(check.message);
    refused.scheduleFocus = check.focus;
    return refused;
  }
  if (!request.panel.sections[kSectionMail]) return std::nullopt;
  MailSettingsRefusal mail = CheckMailSettings(request.panel.mail);
  if (mail.field < 0 && *CheckRetryMinutes(request.panel.retryMinutes)) {
    mail = {kRetryMinutesField, CheckRetryMinutes(request.panel.retryMinutes)};
  }
  if (mail.field < 0) return std::nullopt;
  ReportOutcome refused = Warning(mail.message);
  refused.mailField = mail.field;
  return refused;
}

// A SYSTEM job runs the batch file and the sender and reads the parameter file: none of them
// may be changeable by a less trusted user.
std::optional<ReportOutcome> UnsafePath(const std::string& programDirectory) {
  const std::string work = PathInDirectory(programDirectory, kWorkDirectoryName);
  const bool workExists = ::GetFileAttributesA(work.c_str()) != INVALID_FILE_ATTRIBUTES;
  for (const std::string& path :
       {programDirectory, PathInDirectory(programDirectory, kSenderProgramName), work}) {
    if (path == work && !workExists) continue;  // made new with its protected descriptor
    const AccessVerdict verdict = CheckPathAccess(path);
    if (!verdict.safe) return Warning(UnsafePathText(path, verdict));
  }
  return std::nullopt;
}

// The sender gets the parameter file's full path; it shows its own window while it works.
ReportOutcome RunNow(const std::string& programDirectory, const ReportPair& pair) {
  const std::string sender = PathInDirectory(programDirectory, kSenderProgramName);
  const std::string parameter = CommandOfPath(pair.parameterPath);
  const std::uint32_t failure = StartThroughShell(sender, parameter, programDirectory);
  if (failure == 0) return {};
  return Warning("アプリケーションの起動に失敗しました！\r\n" + sender + " " + parameter + "\r\n" +
                 ShellStartFailureText(failure));
}

// Report jobs run without interaction; a refused job leaves no files that nothing points to.
ReportOutcome Register(const ScheduleInput& schedule, const ReportPair& pair, JobStore& store) {
  const JobSpec job = BuildJobInfo(schedule, "\"" + pair.batchPath + "\"", true);
  std::uint32_t id = 0;
  const std::uint32_t status = store.Add(job, id);
  if (status != 0) {
    ::DeleteFileA(pair.batchPath.c_str());
    ::DeleteFileA(pair.parameterPath.c_str());
    return Warning(JobAddRefusedText(NetErrorLine(status, store.ErrorText(status))));
  }
  ReportOutcome added{JobAddedText(id), kMbInformation};
  added.jobAdded = true;
  return added;
}

}  // namespace

ReportOutcome SubmitReport(const ReportRequest& request, JobStore& store, const Clock& clock) {
  if (auto refused = Refusal(request)) return *refused;
  const bool now = request.schedule.mode == kModeRunNow;
  Hourglass hourglass;
  const std::string& directory = request.programDirectory;
  if (!now) {
    if (auto unsafe = UnsafePath(directory)) return *unsafe;
  }
  const std::string work = PathInDirectory(directory, kWorkDirectoryName);
  if (const std::uint32_t error = MakeProtectedDirectory(work)) return FileFailure(work, error);
  ReportPanel panel = request.panel;
  // The job reads the password and the client secret as SYSTEM: their copies are protected
  // for the machine, inside the protected work folder.
  for (std::string* secret : {&panel.security.protectedPassword, &panel.oauth.protectedSecret}) {
    if (secret->empty()) continue;
    const auto machine = ReprotectText(*secret, SecretScope::kMachine);
    if (!machine) {
      return Warning(
          "保存されたパスワードを読めません。メール送信の設定でパスワードを入力し直してください。");
    }
    *secret = *machine;
  }
  // One moment names both files and dates the parameter file.
  const LocalTime moment = clock.Now();
  const ReportWrite written =
      WriteReportPair(directory, moment, BuildParameterText(panel, directory, CreatedText(moment)));
  if (written.error != 0) return FileFailure(written.failedPath, written.error);
  return now ? RunNow(directory, written.pair) : Register(request.schedule, written.pair, store);
}

}  // namespace zq
