// The console's mail settings: the five stored fields, the security and login, the checks
// of what is typed, and the settings file they are kept in (zqTervask.ini beside the console).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/ReportContract.h"

namespace zq {

inline constexpr char kSettingsSection[] = "zqTervask";
inline constexpr char kSettingsFileName[] = "zqTervask.ini";

// The five stored mail settings, in the order they are read and written.
struct MailSettings {
  std::string smtpServer, smtpPort, from, to, subject;
};
inline constexpr const char* kMailSettingKeys[] = {
    kReportKeys[kKeySmtpServer], kReportKeys[kKeySmtpPort], "From", "To", "Subject"};

// How the sender secures its mail and logs in, under the same keys in the settings file and
// the parameter file. The password is kept protected, never in clear: for the current user in
// the settings file, for the machine in a parameter file (the job runs as SYSTEM).
struct MailSecurity {
  std::string security, user, protectedPassword, caFile;
};
inline constexpr const char* kMailSecurityKeys[] = {
    kReportKeys[kKeySmtpSecurity], kReportKeys[kKeySmtpUser], kReportKeys[kKeySmtpPassword],
    kReportKeys[kKeySmtpCaFile]};
std::string& MailSecurityField(MailSecurity& security, int index);

// The relay tried when the first fails transiently or cannot be reached (same security and
// login), under the same keys in the settings file and the parameter file; its port "" for
// the first's.
struct SecondRelay {
  std::string server, port;
};
inline constexpr const char* kSecondRelayKeys[] = {kReportKeys[kKeySmtpServer2],
                                                   kReportKeys[kKeySmtpPort2]};
// OAuth 2.0 sign-in (SmtpAuth=OAUTH2), under the same keys in the settings file and the
// parameter file; the client secret protected as the password is.
struct MailOAuth {
  std::string auth, tokenUrl, clientId, scope, protectedSecret, keyFile, subject;
};
inline constexpr int kOAuthFieldCount = kKeySmtpOAuthSubject - kKeySmtpAuth + 1;
std::string& MailOAuthField(MailOAuth& oauth, int index);  // in key order
// The authentication choices by list index (the word written, "" for the password).
inline constexpr const char* kAuthTexts[] = {"パスワード", "OAuth 2.0"};
// What an OAuth 2.0 login refuses first: the field (index in key order, 0 SmtpAuth...) and
// the message; field -1 when it may be saved. It needs TLS, a user (the mailbox), an https
// token URL, a client id, and either a secret (typed or kept) or a key file, not both.
struct OAuthRefusal {
  int field = -1;
  const char* message = "";
};
OAuthRefusal CheckOAuth(int securityIndex, std::string_view user, const MailOAuth& typed,
                        bool hasSecret);

// The presets: Microsoft 365's token URL for a tenant (id or domain), its scope; Google's.
std::string MicrosoftTokenUrl(std::string_view tenant);
inline constexpr char kMicrosoftScope[] = "https://outlook.office365.com/.default";
inline constexpr char kGoogleTokenUrl[] = "https://oauth2.googleapis.com/token";
inline constexpr char kGoogleScope[] = "https://mail.google.com/";

// A port typed for the second relay must be a port; one without a server is refused too.
const char* CheckSecondRelay(std::string_view server, std::string_view port);

// The security choices by list index: the value written, the text shown, the usual port.
inline constexpr const char* kSecurityTexts[] = {"なし", "STARTTLS", "SSL/TLS"};
inline constexpr const char* kSecurityPorts[] = {"25", "587", "465"};
// The list index of a stored value (unknown values count as none).
int SecurityIndexOf(std::string_view value);
// The port once security `index` is chosen: its usual port when the box is empty or holds
// another choice's usual port; any other port as typed.
std::string ProposedPort(std::string_view port, int index);
// A login needs TLS and a password: the refusal, or "" when the login may be saved.
const char* CheckLogin(int securityIndex, std::string_view user, std::string_view password);

// The sender's exit code in words, as a test send reports it.
std::string SenderOutcomeText(int exitCode);

// Process-wide console state (one user-interface thread).
extern std::string g_settingsFilePath;
extern MailSettings g_mailSettings;
extern MailSecurity g_mailSecurity;
extern SecondRelay g_secondRelay;
extern MailOAuth g_mailOAuth;

// The fields of MailSettings by key order (0 SmtpServer ... 4 Subject).
std::string& MailSettingField(MailSettings& settings, int index);

// True for one to five ASCII digits naming 1 to 65535.
bool IsPortText(std::string_view text);

// What a save of the mail settings dialog refuses first: the field (0..4 in key order) and
// the message; field -1 when every value may be saved. Blank-only values are empty; the
// port must also be a port number, checked after every field's emptiness.
struct MailSettingsRefusal {
  int field = -1;
  const char* message = "";
};
MailSettingsRefusal CheckMailSettings(const MailSettings& typed);

// The values as saved: each without leading and trailing blanks.
MailSettings TrimmedMailSettings(const MailSettings& typed);

// The text to write for `value` so that the profile reader, which removes one pair of double
// quotes around a whole value, gives `value` back.
std::string ProfileTextOf(std::string_view value);

// The message for a settings file that could not be written.
std::string SettingsWriteFailureText(std::string_view path, std::string_view systemText);

// Platform side (MailSettings_win.cpp).

// One value of the settings file at g_settingsFilePath, of any length; "" when missing.
std::string ReadSetting(const std::string& section, const std::string& key);
// Stores one value (ProfileTextOf); 0 on success, else the system error number.
std::uint32_t WriteSetting(const std::string& section, const std::string& key,
                           const std::string& value);
// Makes the settings file readable and changeable by SYSTEM, Administrators and the current
// user only (created empty when missing); 0 on success, else the system error number.
std::uint32_t ProtectSettingsFile();

}  // namespace zq
