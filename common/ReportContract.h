// What the console writes and the sender reads: the report parameter file (its section and
// keys, the SmtpSecurity words, the Service words), the files the sender writes beside it, and
// the sender's exit codes with their texts. Both programs build on this one table; neither
// writes these names itself.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace zq {

// The section is named after the sender's program file.
inline constexpr char kSenderProgramName[] = "zqPelmora.exe";
inline constexpr const char* kParameterSection = kSenderProgramName;

// The parameter file's keys, in the order the console writes them and the sender reads them.
// clang-format off
enum ReportKey : int {
  kKeyEvent, kKeyEventDays, kKeyService, kKeyCmd1, kKeyCmd2, kKeyCmd3, kKeyCmd4, kKeyCmd5,
  kKeySmtpServer, kKeySmtpPort, kKeySmtpFrom, kKeySmtpTo, kKeySmtpSubject,
  kKeySmtpSecurity, kKeySmtpUser, kKeySmtpPassword, kKeySmtpCaFile,
  kKeySmtpRetryMinutes, kKeySmtpServer2, kKeySmtpPort2,
  kKeySmtpAuth, kKeySmtpOAuthTokenUrl, kKeySmtpOAuthClientId, kKeySmtpOAuthScope,
  kKeySmtpOAuthSecret, kKeySmtpOAuthKeyFile, kKeySmtpOAuthSubject, kReportKeyCount
};
// clang-format on
inline constexpr std::array<const char*, kReportKeyCount> kReportKeys = {"Event",
                                                                         "EventDays",
                                                                         "Service",
                                                                         "Cmd1",
                                                                         "Cmd2",
                                                                         "Cmd3",
                                                                         "Cmd4",
                                                                         "Cmd5",
                                                                         "SmtpServer",
                                                                         "SmtpPort",
                                                                         "SmtpFrom",
                                                                         "SmtpTo",
                                                                         "SmtpSubject",
                                                                         "SmtpSecurity",
                                                                         "SmtpUser",
                                                                         "SmtpPassword",
                                                                         "SmtpCaFile",
                                                                         "SmtpRetryMinutes",
                                                                         "SmtpServer2",
                                                                         "SmtpPort2",
                                                                         "SmtpAuth",
                                                                         "SmtpOAuthTokenUrl",
                                                                         "SmtpOAuthClientId",
                                                                         "SmtpOAuthScope",
                                                                         "SmtpOAuthSecret",
                                                                         "SmtpOAuthKeyFile",
                                                                         "SmtpOAuthSubject"};
inline constexpr int kCommandCount = kKeyCmd5 - kKeyCmd1 + 1;

// The files beside the parameter file N: the report log N.log and the session trace
// N.mail.log.
inline constexpr char kReportLogSuffix[] = ".log";
inline constexpr char kSessionTraceSuffix[] = ".mail.log";

// SmtpRetryMinutes=: how long transient mail failures are tried again, whole minutes 0 to
// 1440 with blanks around; empty for the default. Nothing for any other text.
inline constexpr int kDefaultRetryMinutes = 10;
inline constexpr int kMaxRetryMinutes = 1440;
constexpr std::optional<int> RetryMinutesValue(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return kDefaultRetryMinutes;
  if (text.size() > 4) return std::nullopt;
  int minutes = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    minutes = minutes * 10 + (c - '0');
  }
  if (minutes > kMaxRetryMinutes) return std::nullopt;
  return minutes;
}

// Service= values: every service, started ones, stopped ones.
inline constexpr std::array<const char*, 3> kServiceWords = {"ALL", "START", "STOP"};

// SmtpAuth= values: the password (PLAIN or LOGIN; also the empty value), OAuth 2.0 (XOAUTH2
// with a token the sender fetches itself).
inline constexpr std::array<const char*, 2> kAuthWords = {"PASSWORD", "OAUTH2"};

// SmtpSecurity= values: plain, STARTTLS, implicit TLS.
inline constexpr std::array<const char*, 3> kSecurityWords = {"", "STARTTLS", "TLS"};

// The sender's exit codes: the outcome of the report run and of its mail session.
enum ExitCode : int {
  kExitOk = 0,  // the report was written and the mail, if asked for, accepted
  kMailSent = 0,
  kExitSocketLibrary = 1,  // the socket library could not start (and nothing else)
  kMailReceiveError = 2,
  kMailClosedByServer = 3,
  kMailSendError = 4,
  kMailBadGreeting = 5,
  kMailBadHeloReply = 6,
  kMailBadMailFromReply = 7,  // or a reply to a recipient that is not the last
  kMailBadLastRecipientReply = 8,
  kMailBadDataReply = 9,
  kMailNoConnection = 10,
  kMailRejected = 11,  // the reply to the end of the message was not 250, or came too early
  kMailTimedOut = 12,
  kExitReportLogFailed = 13,      // the report log could not be created, written or attached
  kExitParameterFile = 14,        // the parameter file does not exist or cannot be read
  kExitNoRecipient = 15,          // SmtpTo names no address
  kExitWindowFailed = 16,         // the mail session window could not be created
  kExitClosedByUser = 17,         // the session window was closed before the outcome
  kMailTlsFailed = 18,            // the TLS handshake or a TLS record failed
  kMailCertificateRejected = 19,  // the server's certificate is not trusted or names another
  kMailStartTlsNotOffered = 20,   // STARTTLS was asked for and not offered (or refused)
  kMailAuthRefused = 21,          // authentication refused, or not possible safely
  kMailPasswordUnreadable = 22,   // the protected password could not be unprotected
  kMailOutcomeUnknown = 23,  // the connection ended after the end of the message, before its reply
  kMailTokenUnavailable = 24,  // the token endpoint cannot be reached, is not trusted, or broken
  kMailTokenRefused = 25,      // the token endpoint refused the client (secret, consent...)
  kExitCodeCount
};

// The mail session's result while no outcome is known.
inline constexpr int kMailUndecided = -1;

// Each exit code in words, by code.
inline constexpr std::array<const char*, kExitCodeCount> kExitCodeTexts = {
    "送信に成功しました。",
    "ソケットライブラリを開始できませんでした。",
    "受信エラーが発生しました。",
    "サーバーが接続を切りました。",
    "送信エラーが発生しました。",
    "サーバーの接続時の応答が正しくありません。",
    "HELO または EHLO が拒否されました。",
    "送信者アドレスが拒否されました。",
    "宛先アドレスが拒否されました。",
    "DATA が拒否されました。",
    "サーバーに接続できませんでした。",
    "メッセージが受け付けられませんでした。",
    "タイムアウトしました。",
    "レポートログを作成または添付できませんでした。",
    "パラメータファイルを読めませんでした。",
    "宛先アドレスがありません。",
    "送信ウィンドウを作成できませんでした。",
    "送信ウィンドウが閉じられました。",
    "TLS の接続に失敗しました。",
    "サーバー証明書が信頼できないか、サーバー名と一致しません。",
    "サーバーが STARTTLS を提供していません。",
    "認証が拒否されました。",
    "保存されたパスワードを復号できませんでした。",
    "メッセージの終わりを送った後、応答の前に接続が終わりました。受け付けられたかどうかは不明です"
    "。",
    "OAuth 2.0 のトークンを取得できませんでした（発行元に接続できないか、信頼できません）。",
    "OAuth 2.0 のトークンの発行が拒否されました。",
};

static_assert(kExitCodeTexts.back() != nullptr, "one text for every exit code");

// The text of an exit code; nullptr for a code the sender never returns.
constexpr const char* ExitCodeText(int code) {
  return code >= 0 && code < kExitCodeCount ? kExitCodeTexts[static_cast<std::size_t>(code)]
                                            : nullptr;
}

}  // namespace zq
