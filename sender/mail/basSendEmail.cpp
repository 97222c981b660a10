// Mail delivery's entry point. Until the mail session exists, nothing is sent.
#include "sender/mail/basSendEmail.h"

namespace zq {

bool SendEmail(const MailInputs&) { return false; }

}  // namespace zq
