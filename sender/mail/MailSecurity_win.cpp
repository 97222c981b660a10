// Reading the session's login: the protected password unprotected for this session only.
#include "common/Cp932.h"
#include "common/PlatformText.h"
#include "common/ProtectedText_win.h"
#include "common/SecretText.h"
#include "sender/mail/MailSecurity.h"

namespace zq {

SecurityRefusal ReadSecurity(const MailInputs& inputs, SmtpSecurity& security) {
  security.mode = SecurityModeOf(inputs.security).value_or(SmtpSecurity::kPlain);
  security.user = Utf8OfAnsi(std::string(TrimBlanks(inputs.user)));
  bool passwordReadable = true;
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
