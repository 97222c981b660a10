// OAuth 2.0 for SMTP: requests, assertions, replies, explanations.
#include "sender/mail/OAuth.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "common/Cp932.h"
#include "common/SecretText.h"
#include "sender/mail/Base64.h"

namespace zq {
namespace {

using Json = nlohmann::ordered_json;

constexpr char kAssertionType[] = "urn:ietf:params:oauth:client-assertion-type:jwt-bearer";
constexpr char kJwtBearerGrant[] = "urn:ietf:params:oauth:grant-type:jwt-bearer";
constexpr std::int64_t kAssertionLifetime = 600;  // seconds; the endpoints accept up to 3600

// The bytes of the PEM block with this label, or nothing.
std::optional<std::string> PemBlock(std::string_view text, std::string_view label) {
  const std::string begin = "-----BEGIN " + std::string(label) + "-----";
  const std::string end = "-----END " + std::string(label) + "-----";
  const std::size_t at = text.find(begin);
  if (at == std::string_view::npos) return std::nullopt;
  const std::size_t body = at + begin.size();
  const std::size_t stop = text.find(end, body);
  if (stop == std::string_view::npos) return std::nullopt;
  return Base64Decode(text.substr(body, stop - body));
}

// One DER element: its tag, and its contents as a view into the input.
struct DerElement {
  unsigned char tag = 0;
  std::string_view contents;
};
std::optional<DerElement> ReadDer(std::string_view& der) {
  if (der.size() < 2) return std::nullopt;
  DerElement element{static_cast<unsigned char>(der[0]), {}};
  std::size_t length = static_cast<unsigned char>(der[1]), header = 2;
  if (length & 0x80) {
    const std::size_t bytes = length & 0x7F;
    if (bytes == 0 || bytes > 4 || der.size() < 2 + bytes) return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < bytes; ++i)
      length = length << 8 | static_cast<unsigned char>(der[2 + i]);
    header += bytes;
  }
  if (der.size() - header < length) return std::nullopt;
  element.contents = der.substr(header, length);
  der.remove_prefix(header + length);
  return element;
}

std::string FormPair(std::string_view key, std::string_view value) {
  return std::string(key) + "=" + FormEncode(value);
}

Json BaseClaims(const AssertionInput& in) {
  Json claims;
  claims["iss"] = in.issuer;
  claims["sub"] = in.subject;
  claims["aud"] = in.audience;
  claims["iat"] = in.issuedAt;
  claims["exp"] = in.issuedAt + kAssertionLifetime;
  return claims;
}

std::string SigningInput(const Json& header, const Json& claims) {
  return Base64Url(header.dump()) + "." + Base64Url(claims.dump());
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

std::string FormEncode(std::string_view value) {
  std::string out;
  for (const char c : value) {
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (unreserved) {
      out += c;
      continue;
    }
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
    out += hex;
  }
  return out;
}

std::string Base64Url(std::string_view bytes) {
  std::string text = Base64Encode(bytes);
  while (!text.empty() && text.back() == '=') text.pop_back();
  for (char& c : text) {
    if (c == '+') c = '-';
    if (c == '/') c = '_';
  }
  return text;
}

SigningKey::~SigningKey() { WipeString(privateKeyDer); }
TokenReply::~TokenReply() { WipeString(token); }

std::optional<std::string> UnwrapPkcs8(std::string_view der) {
  static constexpr std::string_view kRsaEncryption = "\x2A\x86\x48\x86\xF7\x0D\x01\x01\x01";
  const auto info = ReadDer(der);
  if (!info || info->tag != 0x30) return std::nullopt;
  std::string_view inner = info->contents;
  const auto version = ReadDer(inner);
  const auto algorithm = ReadDer(inner);
  const auto key = ReadDer(inner);
  if (!version || version->tag != 0x02 || !algorithm || algorithm->tag != 0x30 || !key ||
      key->tag != 0x04) {
    return std::nullopt;
  }
  std::string_view ids = algorithm->contents;
  const auto oid = ReadDer(ids);
  if (!oid || oid->tag != 0x06 || oid->contents != kRsaEncryption) return std::nullopt;
  return std::string(key->contents);
}

std::optional<SigningKey> SigningKeyOf(std::string_view fileText, std::string& error) {
  SigningKey key;
  std::string pemText(fileText);
  if (!TrimBlanks(fileText).empty() && TrimBlanks(fileText).front() == '{') {
    const Json json = Json::parse(fileText, nullptr, false);
    const auto text = [&json](const char* name) {
      return json.is_object() && json.contains(name) && json[name].is_string()
                 ? json[name].get<std::string>()
                 : std::string();
    };
    if (text("type") != "service_account" || text("private_key").empty() ||
        text("client_email").empty()) {
      error = "サービス アカウントの JSON キーではありません（type, private_key, client_email）";
      return std::nullopt;
    }
    key.kind = SigningKey::kServiceAccount;
    key.clientEmail = text("client_email");
    key.keyId = text("private_key_id");
    key.tokenUri = text("token_uri");
    pemText = text("private_key");
  } else {
    const auto certificate = PemBlock(fileText, "CERTIFICATE");
    if (!certificate) {
      error = "キーファイルに証明書（CERTIFICATE）がありません";
      return std::nullopt;
    }
    key.kind = SigningKey::kPemWithCertificate;
    key.certificateDer = *certificate;
  }
  std::optional<std::string> der = PemBlock(pemText, "RSA PRIVATE KEY");
  if (!der) {
    const auto pkcs8 = PemBlock(pemText, "PRIVATE KEY");
    if (pkcs8) der = UnwrapPkcs8(*pkcs8);
  }
  WipeString(pemText);
  if (!der) {
    error = "キーファイルに RSA の秘密鍵（暗号化されていない PRIVATE KEY）がありません";
    return std::nullopt;
  }
  key.privateKeyDer = std::move(*der);
  return key;
}

std::string ClientAssertionSigningInput(const AssertionInput& in, std::string_view sha1Thumbprint) {
  Json header;
  header["alg"] = "RS256";
  header["typ"] = "JWT";
  header["x5t"] = Base64Url(sha1Thumbprint);
  Json claims = BaseClaims(in);
  claims["jti"] = in.jwtId;
  claims["nbf"] = in.issuedAt;
  return SigningInput(header, claims);
}

std::string ServiceAccountSigningInput(const AssertionInput& in, std::string_view keyId) {
  Json header;
  header["alg"] = "RS256";
  header["typ"] = "JWT";
  if (!keyId.empty()) header["kid"] = keyId;
  Json claims = BaseClaims(in);
  claims["scope"] = in.scope;
  return SigningInput(header, claims);
}

std::string ClientSecretRequest(std::string_view clientId, std::string_view secret,
                                std::string_view scope) {
  return FormPair("grant_type", "client_credentials") + "&" + FormPair("client_id", clientId) +
         "&" + FormPair("client_secret", secret) + "&" + FormPair("scope", scope);
}

std::string ClientAssertionRequest(std::string_view clientId, std::string_view scope,
                                   std::string_view assertion) {
  return FormPair("grant_type", "client_credentials") + "&" + FormPair("client_id", clientId) +
         "&" + FormPair("scope", scope) + "&" + FormPair("client_assertion_type", kAssertionType) +
         "&" + FormPair("client_assertion", assertion);
}

std::string JwtBearerRequest(std::string_view assertion) {
  return FormPair("grant_type", kJwtBearerGrant) + "&" + FormPair("assertion", assertion);
}

TokenReply TokenReplyOf(int httpStatus, std::string_view body) {
  TokenReply reply;
  const std::string status = "HTTP " + std::to_string(httpStatus);
  if (body.size() > kMaxTokenReplyBytes) {
    reply.error = "トークンの応答が大きすぎます（" + status + "）";
    return reply;
  }
  const Json json = Json::parse(body, nullptr, false);
  if (!json.is_object()) {
    reply.error = "トークンの応答が JSON のオブジェクトではありません（" + status + "）";
    return reply;
  }
  const auto text = [&json](const char* name) {
    return json.contains(name) && json[name].is_string() ? json[name].get<std::string>()
                                                         : std::string();
  };
  if (!text("error").empty()) {
    reply.refused = true;
    reply.error =
        text("error") +
        (text("error_description").empty() ? std::string() : ": " + text("error_description"));
    return reply;
  }
  if (httpStatus != 200) {
    reply.error = "トークンの発行元がエラーを返しました（" + status + "）";
    return reply;
  }
  reply.token = text("access_token");
  const std::string type = Cp932AsciiUpper(text("token_type"));
  if (reply.token.empty() || (json.contains("token_type") && type != "BEARER")) {
    reply.error = "応答に Bearer の access_token がありません";
    WipeString(reply.token);
    return reply;
  }
  if (json.contains("expires_in") && json["expires_in"].is_number_integer()) {
    reply.expiresIn = json["expires_in"].get<std::int64_t>();
  }
  reply.ok = true;
  return reply;
}

std::string XOAuth2Response(std::string_view user, std::string_view token) {
  std::string plain =
      "user=" + std::string(user) + "\x01" + "auth=Bearer " + std::string(token) + "\x01\x01";
  std::string encoded = Base64Encode(plain);
  WipeString(plain);
  return encoded;
}

std::string RefusalExplanation(std::string_view text) {
  if (Contains(text, "5.7.139") || Contains(text, "5.7.30")) {
    return "基本認証（パスワード）が無効です。SmtpAuth=OAUTH2 にするか、テナントの SMTP AUTH の"
           "設定を確認してください。";
  }
  if (Contains(text, "5.7.57") || Contains(text, "5.7.60")) {
    return "このアカウントには送信者アドレス（SmtpFrom）から送信する権限がありません。"
           "メールボックスの送信権限（SendAs）と SmtpUser を確認してください。";
  }
  if (Contains(text, "AADSTS7000215")) {
    return "クライアント シークレットが正しくありません。期限切れなら新しいシークレットを作成して"
           "ください。";
  }
  if (Contains(text, "AADSTS700016")) {
    return "アプリケーション（クライアント ID）がテナントにありません。クライアント ID とテナント "
           "ID"
           " を確認してください。";
  }
  if (Contains(text, "unauthorized_client")) {
    return "クライアントにこの操作が許可されていません。Google Workspace ではドメイン全体の委任に"
           "クライアント ID とスコープを登録してください。";
  }
  return {};
}

}  // namespace zq
