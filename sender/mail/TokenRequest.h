// The OAuth 2.0 token request of a mail session, as the parameter file gives it: read by
// ReadSecurity, made by FetchToken.
#pragma once

#include <string>

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

}  // namespace zq
