// The security decisions of a mail session.
#include "sender/mail/MailSecurity.h"

#include "common/Cp932.h"
#include "common/ReportContract.h"

namespace zq {
namespace {

constexpr std::string_view kPemBegin = "-----BEGIN CERTIFICATE-----";
constexpr std::string_view kPemEnd = "-----END CERTIFICATE-----";

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::optional<SmtpSecurity::Mode> SecurityModeOf(std::string_view word) {
  const std::string mode = Cp932AsciiUpper(TrimBlanks(word));
  if (mode.empty()) return SmtpSecurity::kPlain;
  if (mode == kSecurityWords[1]) return SmtpSecurity::kStartTls;
  if (mode == kSecurityWords[2]) return SmtpSecurity::kImplicitTls;
  return std::nullopt;
}

std::uint16_t DefaultPortOf(SmtpSecurity::Mode mode) {
  return mode == SmtpSecurity::kImplicitTls ? 465 : 25;
}

SecurityRefusal RefusalOf(std::string_view modeWord, std::string_view user, bool passwordReadable) {
  const auto mode = SecurityModeOf(modeWord);
  if (!mode) {
    return {kMailTlsFailed,
            "SmtpSecurity の値が正しくありません: " + std::string(TrimBlanks(modeWord))};
  }
  if (TrimBlanks(user).empty()) return {};
  if (!passwordReadable) {
    return {kMailPasswordUnreadable,
            "SmtpPassword を復号できません（このコンピュータで保護されたものではありません）"};
  }
  if (*mode == SmtpSecurity::kPlain) {
    return {kMailAuthRefused,
            "暗号化されていない接続では認証情報を送りません（SmtpSecurity を指定してください）"};
  }
  return {};
}

std::optional<bool> UsesOAuthOf(std::string_view word) {
  const std::string auth = Cp932AsciiUpper(TrimBlanks(word));
  if (auth.empty() || auth == kAuthWords[0]) return false;
  if (auth == kAuthWords[1]) return true;
  return std::nullopt;
}

SecurityRefusal OAuthRefusalOf(const MailInputs& inputs, bool secretReadable) {
  const MailInputs::OAuth& o = inputs.oauth;
  const auto oauth = UsesOAuthOf(o.auth);
  if (!oauth) return {kMailAuthRefused, "SmtpAuth の値が正しくありません: " + o.auth};
  if (!*oauth) return {};
  const auto blank = [](const std::string& value) { return TrimBlanks(value).empty(); };
  const auto mode = SecurityModeOf(inputs.security);
  if (!mode || *mode == SmtpSecurity::kPlain) {
    return {kMailAuthRefused, "OAuth 2.0 の認証には SmtpSecurity（STARTTLS または TLS）が必要です"};
  }
  if (blank(inputs.user))
    return {kMailAuthRefused, "SmtpUser（送信するメールボックス）がありません"};
  if (blank(o.tokenUrl) || blank(o.clientId)) {
    return {kMailAuthRefused, "SmtpOAuthTokenUrl と SmtpOAuthClientId を指定してください"};
  }
  if (blank(o.protectedSecret) == blank(o.keyFile)) {
    return {kMailAuthRefused,
            "SmtpOAuthSecret と SmtpOAuthKeyFile のどちらか一方だけを指定してください"};
  }
  if (!secretReadable) {
    return {kMailPasswordUnreadable,
            "SmtpOAuthSecret を復号できません（このコンピュータで保護されたものではありません）"};
  }
  return {};
}

std::string CaFileLocation(std::string_view caFile, std::string_view programFolder) {
  caFile = TrimBlanks(caFile);
  if (caFile.empty()) return {};
  const bool drive =
      caFile.size() >= 3 && IsLetter(caFile[0]) && caFile[1] == ':' && IsSeparator(caFile[2]);
  const bool share = caFile.size() >= 2 && IsSeparator(caFile[0]) && IsSeparator(caFile[1]);
  if (drive || share) return std::string(caFile);
  while (!caFile.empty() && IsSeparator(caFile.front())) caFile.remove_prefix(1);
  std::string path(programFolder);
  if (!path.empty() && !IsSeparator(path.back())) path += '\\';
  return path.append(caFile);
}

CertificateBlocks CertificateBlocksOf(std::string_view fileText) {
  CertificateBlocks blocks;
  for (std::size_t at = fileText.find(kPemBegin); at != std::string_view::npos;
       at = fileText.find(kPemBegin, at)) {
    const std::size_t body = at + kPemBegin.size();
    const std::size_t end = fileText.find(kPemEnd, body);
    if (end == std::string_view::npos) break;
    blocks.base64.emplace_back(fileText.substr(body, end - body));
    at = end + kPemEnd.size();
  }
  blocks.wholeFileIsDer = blocks.base64.empty() && !fileText.empty() &&
                          fileText.find("-----BEGIN") == std::string_view::npos;
  return blocks;
}

bool AddressNamesServer(const std::vector<std::string>& ipAddressNames, std::uint32_t address) {
  const char* bytes = reinterpret_cast<const char*>(&address);
  const std::string wanted(bytes, 4);  // network byte order is the order of the name's bytes
  for (const std::string& name : ipAddressNames) {
    if (name == wanted) return true;
  }
  return false;
}

}  // namespace zq
