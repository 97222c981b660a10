// Mail delivery's entry: SendEmail takes the mail inputs and runs the mail session window
// (frmSendEmail) until the session ends.
#pragma once

#include "sender/mail/MailInputs.h"

namespace zq {

// Delivers one message through the session window and returns when the session has ended:
// its exit code (common/ReportContract.h). Win32 only.
int SendEmail(const MailInputs& inputs);

}  // namespace zq
