// The console's mail settings and the settings file's rules.
#include "console/MailSettings.h"

#include "common/Cp932.h"

#include <iterator>

namespace zq {

std::string g_settingsFilePath;
MailSettings g_mailSettings;
MailSecurity g_mailSecurity;
SecondRelay g_secondRelay;
MailOAuth g_mailOAuth;

std::string& MailOAuthField(MailOAuth& oauth, int index) {
  std::string* fields[] = {&oauth.auth,   &oauth.tokenUrl,        &oauth.clientId,
                           &oauth.scope,  &oauth.protectedSecret, &oauth.keyFile,
                           &oauth.subject};
  static_assert(std::size(fields) == kOAuthFieldCount);
  return *fields[index];
}

OAuthRefusal CheckOAuth(int securityIndex, std::string_view user, const MailOAuth& typed,
                        bool hasSecret) {
  const auto blank = [](const std::string& value) { return TrimBlanks(value).empty(); };
  if (securityIndex == 0) return {0, "OAuth 2.0 の認証には STARTTLS か SSL/TLS を選んでください。"};
  if (TrimBlanks(user).empty()) {
    return {0, "OAuth 2.0 の認証にはユーザー名（送信するメールボックス）が必要です。"};
  }
  if (TrimBlanks(typed.tokenUrl).rfind("https://", 0) != 0) {
    return {1, "トークンURLは https:// で始まる URL で指定してください。"};
  }
  if (blank(typed.clientId)) return {2, "クライアントIDを指定してください。"};
  if (hasSecret == !blank(typed.keyFile)) {
    return {4, "シークレットとキーファイルのどちらか一方を指定してください。"};
  }
  return {};
}

std::string MicrosoftTokenUrl(std::string_view tenant) {
  return "https://login.microsoftonline.com/" + std::string(TrimBlanks(tenant)) +
         "/oauth2/v2.0/token";
}

std::string& MailSettingField(MailSettings& settings, int index) {
  std::string* fields[] = {&settings.smtpServer, &settings.smtpPort, &settings.from, &settings.to,
                           &settings.subject};
  return *fields[index];
}

std::string& MailSecurityField(MailSecurity& security, int index) {
  std::string* fields[] = {&security.security, &security.user, &security.protectedPassword,
                           &security.caFile};
  return *fields[index];
}

int SecurityIndexOf(std::string_view value) {
  const std::string upper = Cp932AsciiUpper(TrimBlanks(value));
  for (int i = 1; i < 3; ++i) {
    if (upper == kSecurityWords[i]) return i;
  }
  return 0;
}

std::string ProposedPort(std::string_view port, int index) {
  const std::string_view typed = TrimBlanks(port);
  bool usual = typed.empty();
  for (const char* known : kSecurityPorts) usual = usual || typed == known;
  return usual ? kSecurityPorts[index] : std::string(port);
}

const char* CheckLogin(int securityIndex, std::string_view user, std::string_view password) {
  if (TrimBlanks(user).empty()) return "";
  if (securityIndex == 0) {
    return "ユーザー名を使うには、セキュリティで STARTTLS か SSL/TLS を選択してください。";
  }
  if (password.empty()) return "パスワードを指定してください。";
  return "";
}

std::string SenderOutcomeText(int exitCode) {
  constexpr char kNoRetry[] = "\r\n（テスト送信では一時的な失敗を再試行しません）";
  if (exitCode == 0) return "テスト送信に成功しました。";
  const char* text = ExitCodeText(exitCode);
  return "テスト送信に失敗しました。\r\n終了コード " + std::to_string(exitCode) + ": " +
         (text != nullptr ? text : "不明なエラーです。") + kNoRetry;
}

const char* CheckSecondRelay(std::string_view server, std::string_view port) {
  port = TrimBlanks(port);
  if (port.empty()) return "";
  if (TrimBlanks(server).empty()) return "予備サーバのポートだけを指定することはできません。";
  return IsPortText(port) ? "" : "予備サーバのポート番号は 1 から 65535 で指定してください。";
}

bool IsPortText(std::string_view text) {
  if (text.empty() || text.size() > 5) return false;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value >= 1 && value <= 65535;
}

MailSettingsRefusal CheckMailSettings(const MailSettings& typed) {
  static constexpr const char* kEmptyMessages[] = {
      "SMTPサーバを指定してください。", "サーバのポートを指定してください。",
      "送信者アドレスを指定してください。", "宛先アドレスを指定してください。",
      "件名を指定してください。"};
  MailSettings trimmed = TrimmedMailSettings(typed);
  for (int field = 0; field < 5; ++field) {
    if (MailSettingField(trimmed, field).empty()) return {field, kEmptyMessages[field]};
  }
  if (!IsPortText(trimmed.smtpPort)) {
    return {1, "ポート番号は1から65535の数値で指定してください。"};
  }
  return {};
}

MailSettings TrimmedMailSettings(const MailSettings& typed) {
  MailSettings trimmed = typed;
  for (int field = 0; field < 5; ++field) {
    std::string& value = MailSettingField(trimmed, field);
    value = std::string(TrimBlanks(value));
  }
  return trimmed;
}

std::string ProfileTextOf(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return "\"" + std::string(value) + "\"";
  }
  return std::string(value);
}

std::string SettingsWriteFailureText(std::string_view path, std::string_view systemText) {
  std::string text(path);
  text.append(" ファイルの書き込み時にエラーが発生しました。\r\n").append(systemText);
  return text;
}

}  // namespace zq
