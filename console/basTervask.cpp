// Portable part of the console's start-up module.
#include "console/basTervask.h"

#include <iterator>
#include <vector>

#include "common/Cp932.h"
#include "common/MessageBox.h"

namespace zq {

std::string g_settingsFilePath;
MailSettings g_mailSettings;
MailSecurity g_mailSecurity;
std::string g_targetComputerName;
std::string g_helpFilePath;

namespace {

constexpr std::string_view kFullWidthColon = "：";
constexpr std::string_view kFullWidthZero = "０";

// The digit value of one CP932 character (ASCII or full-width digit), -1 for a blank, -2 for
// anything else.
int DigitOf(std::string_view character) {
  if (character == " ") return -1;
  if (character.size() == 1 && character[0] >= '0' && character[0] <= '9')
    return character[0] - '0';
  // Full-width digits are 0x82 0x4F ... 0x82 0x58.
  if (character.size() == 2 && character[0] == kFullWidthZero[0]) {
    const int value =
        static_cast<unsigned char>(character[1]) - static_cast<unsigned char>(kFullWidthZero[1]);
    if (value >= 0 && value <= 9) return value;
  }
  return -2;
}

// A two-character field: two digits, or one digit beside one blank; -1 otherwise.
int FieldValue(std::string_view first, std::string_view second) {
  const int a = DigitOf(first);
  const int b = DigitOf(second);
  if (a >= 0 && b >= 0) return a * 10 + b;
  if (a == -1 && b >= 0) return b;
  if (a >= 0 && b == -1) return a;
  return -1;
}

}  // namespace

int TervaskMessage(const std::string& text, unsigned style) {
  return ShowMessageBox(text, kTervaskTitle, style);
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
  if (exitCode == 0) return "テスト送信に成功しました。";
  const char* text = ExitCodeText(exitCode);
  return "テスト送信に失敗しました。\r\n終了コード " + std::to_string(exitCode) + ": " +
         (text != nullptr ? text : "不明なエラーです。");
}

std::string PathInDirectory(std::string_view directory, std::string_view name) {
  std::string path(directory);
  // A trail byte can be 0x5C: only a backslash that is a character of its own counts.
  if (path.empty() || Cp932FindLast(path, "\\") != path.size() - 1) path += '\\';
  return path.append(name);
}

std::string NormalizeTimeText(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    characters.push_back(text.substr(pos, length));
    pos += length;
  }
  if (characters.size() != 5) return {};
  if (characters[2] != ":" && characters[2] != kFullWidthColon) return {};
  const int hours = FieldValue(characters[0], characters[1]);
  const int minutes = FieldValue(characters[3], characters[4]);
  if (hours < 0 || minutes < 0) return {};
  const int h = hours + minutes / 60;
  const int m = minutes % 60;
  if (h >= 24) return {};
  return std::string{static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
                     static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)};
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

std::string GroupedThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string SettingsWriteFailureText(std::string_view path, std::string_view systemText) {
  std::string text(path);
  text.append(" ファイルの書き込み時にエラーが発生しました。\r\n").append(systemText);
  return text;
}

}  // namespace zq
