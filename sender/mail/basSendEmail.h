// Mail delivery's entry: SendEmail takes the twelve mail inputs and hands them to the mail
// session. Composition and the SMTP session are not built yet: SendEmail sends nothing.
#pragma once

#include <string>

namespace zq {

struct MailInputs {
  std::string server;
  std::string port;
  std::string fromAddress;
  std::string fromName;
  std::string recipients;  // several addresses separated by ";"
  std::string subject;
  std::string body;
  std::string attachments;  // file paths
  std::string showMessages;
  std::string autoSend;
  std::string autoClose;
  std::string timeoutSeconds;
};

// Starts delivery of one message. Not built yet: returns false and sends nothing.
bool SendEmail(const MailInputs& inputs);

}  // namespace zq
