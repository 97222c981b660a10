// What one mail is made of and how it is delivered, as the report run hands it over.
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
  // "" plain, "STARTTLS", or "TLS" (implicit); the login (the password in protected form,
  // base64); an extra trusted root certificate file.
  std::string security, user, protectedPassword, caFile;
  // How long transient failures are tried again (minutes, "" for the default), and the relay
  // tried when the first fails transiently ("" for none; its port "" for the first's).
  std::string retryMinutes, server2, port2;
  // The login's kind ("" or PASSWORD, or OAUTH2) and OAuth 2.0's values as written (the
  // client secret protected, base64).
  struct OAuth {
    std::string auth, tokenUrl, clientId, scope, protectedSecret, keyFile, subject;
  } oauth;
  // Where the session's commands and replies are traced ("" for none); set by the report
  // run.
  std::string sessionTracePath;
};

}  // namespace zq
