// The report parameter text and the report panel's submit rule.
#include "console/report/ReportParameters.h"

#include <algorithm>

#include "common/Cp932.h"
#include "console/ConsoleText.h"

namespace zq {
namespace {

constexpr char kRule[] = ";-----------------------------------------------------------";

constexpr const char* kKeyComments[] = {
    ";Event       : (S)ystem, s(E)curity, (A)pplication",
    ";EventDays   : (指定日数前から現在まで)",
    ";Service     : ALL(すべて), Start(開始), Stop(停止)",
    ";Cmd1        : (コンソールコマンド１)",
    ";Cmd2        : (コンソールコマンド２)",
    ";Cmd3        : (コンソールコマンド３)",
    ";Cmd4        : (コンソールコマンド４)",
    ";Cmd5        : (コンソールコマンド５)",
    ";SmtpServer  :（SMTPサーバのホスト名もしくはIPアドレス）",
    ";SmtpPort   :（SMTPサーバのポート番号）",
    ";SmtpFrom   :（メールの送信元アドレス）",
    ";SmtpTo     :（メールの送信先アドレス）",
    ";SmtpSubject:（メールのタイトル）",
};

// Mail keys of the file in line order, with the field of MailSettings each takes.
constexpr std::pair<ReportKey, int> kMailKeys[] = {{kKeySmtpServer, 0},
                                                   {kKeySmtpPort, 1},
                                                   {kKeySmtpFrom, 2},
                                                   {kKeySmtpTo, 3},
                                                   {kKeySmtpSubject, 4}};

// "Key=" of a parameter file line.
std::string KeyIs(ReportKey key) { return std::string(kReportKeys[key]) + "="; }

// A value kept on its line: a CR or LF would start a line of its own, read as another key.
std::string OneLine(std::string_view value) {
  std::string line(value);
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return line;
}

bool AnyEventLog(const ReportPanel& panel) {
  return std::find(panel.eventLogs.begin(), panel.eventLogs.end(), true) != panel.eventLogs.end();
}

}  // namespace

bool CheckSubmitEnabled(const ReportPanel& panel) {
  if (panel.sections[kSectionEvents] && AnyEventLog(panel)) return true;
  if (panel.sections[kSectionServices]) return true;
  return panel.sections[kSectionCommands] &&
         std::any_of(panel.commands.begin(), panel.commands.end(),
                     [](const std::string& command) { return !command.empty(); });
}

const char* CheckRetryMinutes(std::string_view text) {
  return RetryMinutesValue(text) ? "" : "再試行（分）は 0 から 1440 までの分数で指定してください。";
}

bool EnablesNextCommand(std::string_view command) { return !TrimBlanks(command).empty(); }

std::string BuildParameterText(const ReportPanel& panel, std::string_view programDirectory,
                               std::string_view created) {
  std::string text;
  auto line = [&text](std::string_view content) { text.append(content).append("\r\n"); };
  line(kRule);
  line(";" + PathInDirectory(programDirectory, kSenderProgramName) + "の実行パラメータ");
  for (const char* comment : kKeyComments) line(comment);
  line(kRule);
  line(";このパラメータファイルは" + std::string(created) + "に作成されました。");
  line(kRule);
  line("[" + std::string(kParameterSection) + "]");

  const bool events = panel.sections[kSectionEvents] && AnyEventLog(panel);
  std::string letters;
  for (int i = 0; i < 3; ++i) {
    if (panel.eventLogs[i]) letters += "SEA"[i];
  }
  line(events ? KeyIs(kKeyEvent) + letters : "");
  line(events ? KeyIs(kKeyEventDays) + OneLine(TrimBlanks(panel.days)) : "");
  const bool services = panel.sections[kSectionServices] && panel.service >= 0 && panel.service < 3;
  line(services ? KeyIs(kKeyService) + kServiceWords[panel.service] : "");
  for (int i = 0; i < kCommandCount; ++i) {
    const std::string& command = panel.commands[i];
    const bool written = panel.sections[kSectionCommands] && !command.empty();
    const auto key = static_cast<ReportKey>(kKeyCmd1 + i);
    line(written ? KeyIs(key) + "\"" + OneLine(TrimBlanks(command)) + "\"" : "");
  }
  MailSettings mail = panel.mail;
  for (const auto& [key, field] : kMailKeys) {
    const std::string value = OneLine(TrimBlanks(MailSettingField(mail, field)));
    line(panel.sections[kSectionMail] ? KeyIs(key) + ProfileTextOf(value) : "");
  }
  MailSecurity security = panel.security;
  for (int field = 0; field < 4; ++field) {
    const std::string value = OneLine(TrimBlanks(MailSecurityField(security, field)));
    line(panel.sections[kSectionMail]
             ? KeyIs(static_cast<ReportKey>(kKeySmtpSecurity + field)) + ProfileTextOf(value)
             : "");
  }
  const std::string delivery[] = {std::string(TrimBlanks(panel.retryMinutes)),
                                  std::string(TrimBlanks(panel.relay2.server)),
                                  std::string(TrimBlanks(panel.relay2.port))};
  for (int field = 0; field < 3; ++field) {
    line(panel.sections[kSectionMail]
             ? KeyIs(static_cast<ReportKey>(kKeySmtpRetryMinutes + field)) +
                   ProfileTextOf(OneLine(delivery[field]))
             : "");
  }
  MailOAuth oauth = panel.oauth;
  for (int field = 0; field < kOAuthFieldCount; ++field) {
    const std::string value = OneLine(TrimBlanks(MailOAuthField(oauth, field)));
    line(panel.sections[kSectionMail]
             ? KeyIs(static_cast<ReportKey>(kKeySmtpAuth + field)) + ProfileTextOf(value)
             : "");
  }
  return text;
}

}  // namespace zq
