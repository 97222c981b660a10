// Fetching the OAuth 2.0 access token of a mail session: the client assertion signed with
// CryptoAPI (RSA with SHA-256), the request posted with WinHTTP through the system's proxy,
// the endpoint's certificate checked as strictly as the SMTP server's before the request's
// body (which carries the credential) is sent. Windows only.
#pragma once

#include <string>
#include <vector>

#include "common/SecretText.h"

namespace zq {

struct TokenRequest {
  // As the parameter file gives them (CP932).
  std::string tokenUrl, clientId, scope, subject;
  std::string secret;       // "" when a key file signs instead; wiped by the caller
  std::string keyFilePath;  // "" for a secret
  std::string caFile;       // extra trusted roots, as for the SMTP server
  unsigned timeoutMs = 60000;
  ~TokenRequest() { WipeString(secret); }
};

struct TokenOutcome {
  int exitCode = 0;  // 0, kMailTokenUnavailable or kMailTokenRefused
  std::string token;
  std::vector<std::string> trace;  // lines for the session trace (CP932), never a secret
  std::string failure;             // why, when exitCode != 0 (CP932)
  ~TokenOutcome();
};

TokenOutcome FetchToken(const TokenRequest& request);

}  // namespace zq
