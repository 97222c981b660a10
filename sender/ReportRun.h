// The report run: the run values, the fixed order of the report's sections and the
// texts the driver writes between them. Platform work (event logs, services, console
// commands, mail, clock) sits behind ReportSections so the order can be tested natively.
#pragma once

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "common/ReportContract.h"
#include "sender/ReportLog.h"
#include "sender/basExecuteCommand.h"
#include "sender/mail/MailInputs.h"

namespace zq {

struct RunValues {
  std::string event;      // letters S, E, A
  std::string eventDays;  // day count, converted when the first event section is due
  std::string service;    // ALL, START or STOP
  std::array<std::string, 5> commands;
  std::string smtpServer, smtpPort, smtpFrom, smtpTo, smtpSubject;
  std::string smtpSecurity, smtpUser, smtpPassword, smtpCaFile;  // password protected, base64
  std::string smtpRetryMinutes, smtpServer2, smtpPort2;
  std::string smtpAuth, oauthTokenUrl, oauthClientId, oauthScope, oauthSecret, oauthKeyFile,
      oauthSubject;  // the secret protected, base64
};

// Reads the values in key order; `read(key)` returns one value.
template <typename ReadValue>
RunValues ReadRunValues(ReadValue read) {
  RunValues v;
  std::string* targets[] = {&v.event,       &v.eventDays,        &v.service,       &v.commands[0],
                            &v.commands[1], &v.commands[2],      &v.commands[3],   &v.commands[4],
                            &v.smtpServer,  &v.smtpPort,         &v.smtpFrom,      &v.smtpTo,
                            &v.smtpSubject, &v.smtpSecurity,     &v.smtpUser,      &v.smtpPassword,
                            &v.smtpCaFile,  &v.smtpRetryMinutes, &v.smtpServer2,   &v.smtpPort2,
                            &v.smtpAuth,    &v.oauthTokenUrl,    &v.oauthClientId, &v.oauthScope,
                            &v.oauthSecret, &v.oauthKeyFile,     &v.oauthSubject};
  static_assert(std::size(targets) == kReportKeyCount, "one value for every key");
  for (std::size_t i = 0; i < kReportKeys.size(); ++i) *targets[i] = read(kReportKeys[i]);
  return v;
}

// Conversion of a text to a 16-bit signed whole number: blanks around, a sign, a decimal
// fraction rounded half to even; other text is a type mismatch, a value out of range an
// overflow.
struct Int16Conversion {
  bool ok = false;
  std::int16_t value = 0;
  std::string error;  // the run-time error's description when !ok
};
Int16Conversion ToInteger16(std::string_view text);

inline constexpr char kTypeMismatchText[] = "型が一致しません。";
inline constexpr char kOverflowText[] = "オーバーフローしました。";
inline constexpr char kOutOfMemoryText[] = "メモリが不足しています。";

// Event logs named by the letters, always in the order System, Security, Application. The
// text is scanned as CP932 characters.
std::vector<std::string> EventLogsOf(std::string_view letters);

// Service state filter for the service word: 3 all ("ALL"), 1 active ("START"),
// 2 inactive ("STOP"), looked for in that order, case-sensitive, as CP932 characters; 0
// writes no section.
std::int32_t ServiceFilterOf(std::string_view word);

std::string CommandSectionHeading(std::string_view command);

// The command line that runs a command through the interpreter at `interpreterPath`: the
// interpreter quoted, then the command quoted whole for /S, so that a command starting with a
// quote survives the interpreter's quote handling.
std::string CommandInterpreterLine(std::string_view interpreterPath, std::string_view command);

// The line a command that could not be started leaves under its heading.
std::string CommandStartFailureLine(std::uint32_t error, std::string_view systemText);

// The line written when a command was stopped at its time limit (without CR LF).
std::string CommandTimeoutLine(unsigned limitSeconds);

// The trace a failed section leaves in the log: the error title and the description.
std::string ErrorTrace(std::string_view description);

// The four-line mail body, lines joined by CR LF, no CR LF at the end.
std::string MailBodyText(std::string_view date, std::string_view time, std::string_view arguments);

inline constexpr unsigned kCommandTimeLimitSeconds = 600;

// The platform work of a run.
class ReportSections {
 public:
  virtual ~ReportSections() = default;
  virtual void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                                    const std::string& logName, std::int16_t days) = 0;
  virtual void WriteServiceSection(ReportLog& log, const std::string& computerName,
                                   std::int32_t filter) = 0;
  // Runs a command through the command interpreter, its output and errors appended to
  // `logPath`, and waits for its end, at most `limitSeconds`.
  virtual CommandOutcome ExecuteCommand(const std::string& command, const std::string& logPath,
                                        unsigned limitSeconds) = 0;
  // Runs the mail session to its end; returns its exit code (0 when the mail was accepted).
  virtual int SendEmail(const MailInputs& inputs) = 0;
  virtual std::string DateText() = 0;  // the current date, system short form
  virtual std::string TimeText() = 0;  // the current time, system form
};

struct RunSetup {
  std::string arguments;      // the command line exactly as received
  std::string parameterPath;  // the report parameter file path
  std::string computerName;
  unsigned commandTimeLimitSeconds = kCommandTimeLimitSeconds;
};

// The report log and the session trace beside the parameter file.
std::string ReportLogPath(std::string_view parameterFilePath);
std::string SessionTracePath(std::string_view parameterFilePath);

// Writes the report log section by section and hands it to mail delivery when a server is
// given. A failure inside one section is written into the log and the run goes on; only a
// log that cannot be created, opened or written ends the run (kExitReportLogFailed).
// With mail, the result is the mail session's exit code.
int RunReport(const RunValues& values, const RunSetup& setup, ReportSections& sections);

}  // namespace zq
