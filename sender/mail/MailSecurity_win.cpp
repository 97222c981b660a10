// Reading the session's login: the protected password unprotected for this session only.
#include "common/Cp932.h"
#include "common/PlatformText.h"
#include "common/ProtectedText_win.h"
#include "common/SecretText.h"
#include "sender/mail/MailSecurity.h"
#include "sender/mail/TokenRequest.h"

namespace zq {

SecurityRefusal ReadSecurity(const MailInputs& inputs, SmtpSecurity& security,
                             std::optional<TokenRequest>& token) {
  security.mode = SecurityModeOf(inputs.security).value_or(SmtpSecurity::kPlain);
  security.user = Utf8OfAnsi(std::string(TrimBlanks(inputs.user)));
  bool passwordReadable = true;
  if (UsesOAuthOf(inputs.oauth.auth).value_or(true)) {
    const MailInputs::OAuth& o = inputs.oauth;
    std::optional<std::string> secret;
    if (!TrimBlanks(o.protectedSecret).empty()) {
      secret = UnprotectText(std::string(TrimBlanks(o.protectedSecret)));
    }
    const SecurityRefusal refusal =
        OAuthRefusalOf(inputs, TrimBlanks(o.protectedSecret).empty() || secret.has_value());
    if (refusal.exitCode != 0 || !UsesOAuthOf(o.auth)) {
      if (secret) WipeString(*secret);
      return refusal;
    }
    token.emplace();
    token->tokenUrl = std::string(TrimBlanks(o.tokenUrl));
    token->clientId = std::string(TrimBlanks(o.clientId));
    token->scope = std::string(TrimBlanks(o.scope));
    token->subject = std::string(TrimBlanks(o.subject));
    token->keyFilePath = std::string(TrimBlanks(o.keyFile));
    if (secret) token->secret = std::move(*secret);
    return RefusalOf(inputs.security, {}, true);
  }
  if (!security.user.empty()) {
    auto password = UnprotectText(std::string(TrimBlanks(inputs.protectedPassword)));
    passwordReadable = password.has_value();
    if (password) {
      security.password = Utf8OfAnsi(*password);
      WipeString(*password);
    }
  }
  return RefusalOf(inputs.security, inputs.user, passwordReadable);
}

}  // namespace zq
