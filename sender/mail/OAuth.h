// OAuth 2.0 sign-in for SMTP, portable: the token request of the client-credentials grant
// (with a client secret, or a signed JWT client assertion: a PEM key with its certificate, or
// a service-account JSON key), the JWT's header and claims, the token endpoint's reply, the
// XOAUTH2 response, and the Japanese explanation of the refusals administrators meet.
// OAuthClient_win signs and fetches.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zq {

// application/x-www-form-urlencoded value: RFC 3986 unreserved characters stay, every other
// byte becomes %XX.
std::string FormEncode(std::string_view value);
// Base64 with the URL alphabet and no padding (RFC 7515).
std::string Base64Url(std::string_view bytes);

// What signs the client assertion, read from SmtpOAuthKeyFile.
struct SigningKey {
  enum Kind { kNone, kPemWithCertificate, kServiceAccount };
  Kind kind = kNone;
  std::string privateKeyDer;                 // PKCS#1 RSAPrivateKey (a PKCS#8 key is unwrapped)
  std::string certificateDer;                // kPemWithCertificate: its x5t is the SHA-1 of this
  std::string clientEmail, keyId, tokenUri;  // kServiceAccount
  ~SigningKey();
};
// The key of a file's text: a PEM "PRIVATE KEY" or "RSA PRIVATE KEY" with a "CERTIFICATE", or a
// JSON service-account key. Nothing, with `error` set, for anything else.
std::optional<SigningKey> SigningKeyOf(std::string_view fileText, std::string& error);

// The RSAPrivateKey inside a PKCS#8 PrivateKeyInfo of rsaEncryption; nothing when the DER is
// not one.
std::optional<std::string> UnwrapPkcs8(std::string_view der);

// The JWT's signing input: base64url(header) "." base64url(claims), both compact JSON. With a
// certificate the header carries "x5t" (base64url of `sha1Thumbprint`), with a service
// account "kid". Claims: iss, sub, aud, iat, exp (and nbf, jti for a client assertion; scope
// for a service account).
struct AssertionInput {
  std::string issuer, subject, audience, scope, jwtId;
  std::int64_t issuedAt = 0;
};
std::string ClientAssertionSigningInput(const AssertionInput& in, std::string_view sha1Thumbprint);
std::string ServiceAccountSigningInput(const AssertionInput& in, std::string_view keyId);

// The token request's body.
std::string ClientSecretRequest(std::string_view clientId, std::string_view secret,
                                std::string_view scope);
std::string ClientAssertionRequest(std::string_view clientId, std::string_view scope,
                                   std::string_view assertion);
std::string JwtBearerRequest(std::string_view assertion);

// The token endpoint's reply, judged. A body over the cap is not read at all.
inline constexpr std::size_t kMaxTokenReplyBytes = 64 * 1024;
struct TokenReply {
  bool ok = false;
  std::string token;
  std::int64_t expiresIn = 0;
  std::string error;     // the endpoint's error and error_description, or why the reply is bad
  bool refused = false;  // the endpoint answered with an OAuth error (not a broken reply)
  ~TokenReply();
};
TokenReply TokenReplyOf(int httpStatus, std::string_view body);

// The XOAUTH2 initial response, base64: "user=" user ^A "auth=Bearer " token ^A ^A.
std::string XOAuth2Response(std::string_view user, std::string_view token);

// Why a known refusal happened and what to do, in Japanese; "" for others. `text` is an SMTP
// reply or a token endpoint's error.
std::string RefusalExplanation(std::string_view text);

}  // namespace zq
