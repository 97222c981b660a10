// The security decisions of a mail session, portable: the mode word, the refusals that end a
// session before it connects, the port a mode takes by default, where the extra root file is
// looked for, which certificates a file holds, and whether a certificate's addresses name
// the server. The session window and the TLS layer only apply them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sender/mail/MailInputs.h"
#include "sender/mail/SmtpDialogue.h"

namespace zq {

// The mode of an SmtpSecurity value: "" plain, "STARTTLS", "TLS" (any case, blanks around);
// nothing for any other word.
std::optional<SmtpSecurity::Mode> SecurityModeOf(std::string_view word);

// The port used when SmtpPort is empty: 465 for implicit TLS, else 25.
std::uint16_t DefaultPortOf(SmtpSecurity::Mode mode);

// Why a session may not start, decided before anything is sent: an unknown mode word, a
// password that could not be unprotected, or a login without TLS. `passwordReadable` tells
// whether the protected password of a login could be read.
struct SecurityRefusal {
  int exitCode = 0;  // 0: the session may start
  std::string text;
};
SecurityRefusal RefusalOf(std::string_view modeWord, std::string_view user, bool passwordReadable);

// The SmtpAuth word: "" or PASSWORD (false), OAUTH2 (true), any case; nothing for others.
std::optional<bool> UsesOAuthOf(std::string_view word);
// Why an OAuth 2.0 login may not start: an unknown SmtpAuth word, no TLS, no user (the
// mailbox), no token URL or client id, neither a secret nor a key file (or both), a secret
// that could not be unprotected. {} when it may, or when the login is not OAuth 2.0.
SecurityRefusal OAuthRefusalOf(const MailInputs& inputs, bool secretReadable);

// Where the extra root file is read from: an absolute path ("X:\...", "X:/...", "\\server\...")
// as given, anything else inside `programFolder`, so a scheduled run and a test send from the
// console read the same file whatever their current folder. "" stays "".
std::string CaFileLocation(std::string_view caFile, std::string_view programFolder);

// The certificates of a file: each PEM "CERTIFICATE" block's base64 text, in order; a file
// without any PEM armour is one DER certificate (`wholeFileIsDer`).
struct CertificateBlocks {
  std::vector<std::string> base64;
  bool wholeFileIsDer = false;
};
CertificateBlocks CertificateBlocksOf(std::string_view fileText);

// True when one of a certificate's iPAddress names (4 or 16 bytes each) is the IPv4 address
// `address` (network byte order). A server given by address is checked this way.
bool AddressNamesServer(const std::vector<std::string>& ipAddressNames, std::uint32_t address);

// The mode and login of `inputs` read into `security` (user and unprotected password in
// UTF-8, the protected form's clear text wiped at once), and the refusal, if any. For an
// OAuth 2.0 login, the token request to make (its secret unprotected) goes to `token`.
// Win32 only.
struct TokenRequest;
SecurityRefusal ReadSecurity(const MailInputs& inputs, SmtpSecurity& security,
                             std::optional<TokenRequest>& token);

}  // namespace zq
