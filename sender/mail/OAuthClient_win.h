// Fetching the OAuth 2.0 access token of a mail session: the client assertion signed with
// CryptoAPI (RSA with SHA-256), the request posted with WinHTTP through the system's proxy,
// the endpoint's certificate checked as strictly as the SMTP server's before the request's
// body (which carries the credential) is sent. Windows only.
#pragma once

#include <string>
#include <vector>

#include "sender/mail/TokenRequest.h"

namespace zq {

struct TokenOutcome {
  int exitCode = 0;  // 0, kMailTokenUnavailable or kMailTokenRefused
  std::string token;
  std::vector<std::string> trace;  // lines for the session trace (CP932), never a secret
  std::string failure;             // why, when exitCode != 0 (CP932)
  ~TokenOutcome();
};

TokenOutcome FetchToken(const TokenRequest& request);

}  // namespace zq
