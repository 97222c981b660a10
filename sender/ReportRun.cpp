// The report run driver: sections in their fixed order, each with its own error trap.
#include "sender/ReportRun.h"

#include <exception>
#include <new>

#include "common/Cp932.h"
#include "common/MessageBox.h"
#include "sender/SenderMessages.h"

namespace zq {

Int16Conversion ToInteger16(std::string_view text) {
  Int16Conversion result;
  result.error = kTypeMismatchText;
  std::size_t pos = text.find_first_not_of(" \t");
  const std::size_t end = text.find_last_not_of(" \t") + 1;
  if (pos == std::string_view::npos) return result;

  bool negative = false;
  if (text[pos] == '+' || text[pos] == '-') negative = text[pos++] == '-';
  long long whole = 0;
  std::size_t digits = 0;
  bool tooLarge = false;
  for (; pos < end && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
    whole = whole * 10 + (text[pos] - '0');
    if (whole > 100000) tooLarge = true, whole = 100000;
  }
  int firstFraction = -1;  // first digit after the point
  bool restNonZero = false;
  if (pos < end && text[pos] == '.') {
    for (++pos; pos < end && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
      if (firstFraction < 0) {
        firstFraction = text[pos] - '0';
      } else if (text[pos] != '0') {
        restNonZero = true;
      }
    }
  }
  if (digits == 0 || pos != end) return result;

  // Round half to even.
  if (firstFraction > 5 || (firstFraction == 5 && (restNonZero || whole % 2 == 1))) ++whole;
  const long long value = negative ? -whole : whole;
  if (tooLarge || value < -32768 || value > 32767) {
    result.error = kOverflowText;
    return result;
  }
  result.ok = true;
  result.value = static_cast<std::int16_t>(value);
  result.error.clear();
  return result;
}

std::vector<std::string> EventLogsOf(std::string_view letters) {
  std::vector<std::string> logs;
  if (Cp932Contains(letters, "S")) logs.emplace_back("System");
  if (Cp932Contains(letters, "E")) logs.emplace_back("Security");
  if (Cp932Contains(letters, "A")) logs.emplace_back("Application");
  return logs;
}

std::int32_t ServiceFilterOf(std::string_view word) {
  if (Cp932Contains(word, kServiceWords[0])) return 3;
  if (Cp932Contains(word, kServiceWords[1])) return 1;
  if (Cp932Contains(word, kServiceWords[2])) return 2;
  return 0;
}

std::string CommandSectionHeading(std::string_view command) {
  std::string title = "コマンド「";
  title.append(command).append("」実行結果");
  return SectionHeading(title);
}

std::string CommandInterpreterLine(std::string_view interpreterPath, std::string_view command) {
  std::string line = "\"";
  line.append(interpreterPath).append("\" /S /C \"").append(command).append("\"");
  return line;
}

std::string CommandStartFailureLine(std::uint32_t error, std::string_view systemText) {
  return SectionFailureLine("コマンドを開始できません", error, systemText);
}

std::string CommandTimeoutLine(unsigned limitSeconds) {
  return "*** 制限時間（" + std::to_string(limitSeconds) +
         "秒）を過ぎたためコマンドを中止しました ***";
}

std::string ErrorTrace(std::string_view description) {
  std::string trace = "アプリケーションエラー！";
  trace.append(kCrLf).append(description).append(kCrLf);
  return trace;
}

std::string MailBodyText(std::string_view date, std::string_view time, std::string_view arguments) {
  std::string body = "実行日付：";
  body.append(date).append(kCrLf);
  body.append("実行時刻：").append(time).append(kCrLf);
  body.append("実行パラメータ：").append(arguments).append(kCrLf);
  body.append("*** 実行結果は添付ファイルを参照 ***");
  return body;
}

namespace {

// One run: the log path, the open log and the error trap shared by the steps.
class ReportRunner {
 public:
  ReportRunner(const RunValues& values, const RunSetup& setup, ReportSections& sections)
      : values_(values),
        setup_(setup),
        sections_(sections),
        logPath_(ReportLogPath(setup.parameterPath)) {}

  int Run() {
    if (!ReportLog::CreateEmpty(logPath_)) return Fail("レポートログファイルを作成できません。");
    if (!WriteEventLogs() || !WriteServices() || !RunCommands()) {
      return Fail("レポートログファイルに書き込めません。");
    }
    return HandOverMail();
  }

 private:
  // Runs one step's work; returns the run-time error's description, empty when none.
  template <typename Work>
  static std::string ErrorOf(Work work) {
    try {
      work();
      return {};
    } catch (const std::bad_alloc&) {
      return kOutOfMemoryText;
    } catch (const std::exception& e) {
      return e.what();
    }
  }

  // Runs one section's work; a run-time error inside it is written into the log at that point.
  template <typename Work>
  void Trapped(Work work) {
    const std::string description = ErrorOf(work);
    if (!description.empty()) WriteTrace(description);
  }

  void WriteTrace(std::string_view description) {
    log_.EnsureLineStart();
    log_.Write(ErrorTrace(description));
  }

  bool WriteEventLogs() {
    if (values_.event.empty()) return true;
    if (!log_.OpenForAppend(logPath_)) return false;
    const auto logs = EventLogsOf(values_.event);
    if (!logs.empty()) {
      const Int16Conversion days = ToInteger16(values_.eventDays);
      if (!days.ok) {
        WriteTrace(days.error);
      } else {
        for (const auto& name : logs) {
          Trapped(
              [&] { sections_.WriteEventLogSection(log_, setup_.computerName, name, days.value); });
        }
      }
    }
    return log_.Close();
  }

  bool WriteServices() {
    if (values_.service.empty()) return true;
    if (!log_.OpenForAppend(logPath_)) return false;
    if (const auto filter = ServiceFilterOf(values_.service)) {
      Trapped([&] { sections_.WriteServiceSection(log_, setup_.computerName, filter); });
    }
    return log_.Close();
  }

  bool RunCommands() {
    for (const auto& command : values_.commands) {
      if (command.empty()) continue;
      if (!log_.OpenForAppend(logPath_)) return false;
      log_.Write(CommandSectionHeading(command));
      if (!log_.Close()) return false;

      // The log stays closed while the command's tree appends to it.
      CommandOutcome outcome;
      const std::string description = ErrorOf([&] {
        outcome = sections_.ExecuteCommand(command, logPath_, setup_.commandTimeLimitSeconds);
      });
      if (outcome.result == kCommandEnded && description.empty()) continue;
      if (!log_.OpenForAppend(logPath_)) return false;
      if (!description.empty()) {
        WriteTrace(description);
      } else if (outcome.result == kCommandFailedToStart) {
        log_.EnsureLineStart();
        log_.Write(CommandStartFailureLine(outcome.failure.code, outcome.failure.text));
      } else {
        log_.EnsureLineStart();
        log_.Write(CommandTimeoutLine(setup_.commandTimeLimitSeconds));
        log_.Write(kCrLf);
      }
      if (!log_.Close()) return false;
    }
    return true;
  }

  int HandOverMail() {
    if (values_.smtpServer.empty()) return kExitOk;
    g_showMessages = "0";
    MailInputs mail;
    mail.server = values_.smtpServer;
    mail.port = values_.smtpPort;
    mail.fromAddress = values_.smtpFrom;
    mail.recipients = values_.smtpTo;
    mail.subject = values_.smtpSubject;
    mail.security = values_.smtpSecurity;
    mail.user = values_.smtpUser;
    mail.protectedPassword = values_.smtpPassword;
    mail.caFile = values_.smtpCaFile;
    mail.retryMinutes = values_.smtpRetryMinutes;
    mail.server2 = values_.smtpServer2;
    mail.port2 = values_.smtpPort2;
    mail.oauth = {values_.smtpAuth,    values_.oauthTokenUrl, values_.oauthClientId,
                  values_.oauthScope,  values_.oauthSecret,   values_.oauthKeyFile,
                  values_.oauthSubject};
    mail.body = MailBodyText(sections_.DateText(), sections_.TimeText(), setup_.arguments);
    mail.attachments = logPath_;
    mail.showMessages = "0";
    mail.autoSend = "1";
    mail.autoClose = "1";
    mail.timeoutSeconds = "60";
    mail.sessionTracePath = SessionTracePath(setup_.parameterPath);
    return sections_.SendEmail(mail);
  }

  int Fail(std::string_view description) {
    log_.Close();
    PelmoraMessage(ErrorTrace(description) + logPath_, kMbExclamation);
    return kExitReportLogFailed;
  }

  const RunValues& values_;
  const RunSetup& setup_;
  ReportSections& sections_;
  const std::string logPath_;
  ReportLog log_;
};

}  // namespace

std::string ReportLogPath(std::string_view parameterFilePath) {
  return std::string(parameterFilePath) + kReportLogSuffix;
}

std::string SessionTracePath(std::string_view parameterFilePath) {
  return std::string(parameterFilePath) + kSessionTraceSuffix;
}

int RunReport(const RunValues& values, const RunSetup& setup, ReportSections& sections) {
  return ReportRunner(values, setup, sections).Run();
}

}  // namespace zq
