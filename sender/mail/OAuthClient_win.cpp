// The token request of a mail session.
#include "sender/mail/OAuthClient_win.h"

#include <windows.h>
// after windows.h
#include <wincrypt.h>
#include <winhttp.h>

#include <algorithm>
#include <optional>

#include "common/AccessSafety_win.h"
#include "common/PlatformText.h"
#include "common/ReportContract.h"
#include "common/SecretText.h"
#include "common/UniqueHandle.h"
#include "sender/mail/OAuth.h"
#include "sender/mail/ServerCertificate_win.h"
#include "sender/mail/Socket_win.h"

// SHA-256 exists in the AES provider from Windows XP SP3 on; the headers for XP hide its id.
#ifndef CALG_SHA_256
#define CALG_SHA_256 (ALG_CLASS_HASH | ALG_TYPE_ANY | 12)
#endif

namespace zq {
namespace {

constexpr std::size_t kMaxKeyFileBytes = 64 * 1024;

struct InternetCloser {
  void operator()(HINTERNET h) const { ::WinHttpCloseHandle(h); }
};
using UniqueInternet = std::unique_ptr<void, InternetCloser>;

struct Failed {
  int code;
  std::string text;
};

// UTF-8 (the endpoint's JSON) in the ANSI code page, for the trace.
std::string Ansi(const std::string& utf8) {
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  return AnsiOfWide(wide.c_str());
}

// The key file and its folder: whoever may change either could sign in as the sender.
std::optional<std::string> ReadKeyFile(const std::string& path, std::string& error) {
  const std::size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
  for (const std::string& checked : {path, folder}) {
    const AccessVerdict verdict = CheckPathAccess(checked);
    if (!verdict.safe) {
      error = "キーファイルは SYSTEM と Administrators だけが変更できる場所に置いてください: " +
              checked + "\r\n" + verdict.reason;
      return std::nullopt;
    }
  }
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string text(kMaxKeyFileBytes + 1, '\0');
  DWORD read = 0;
  if (!file ||
      !::ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr)) {
    error = "キーファイルを読めません: " + path + "\r\n" + LastFailure().text;
    return std::nullopt;
  }
  if (read > kMaxKeyFileBytes) {
    WipeString(text);
    error = "キーファイルが大きすぎます: " + path;
    return std::nullopt;
  }
  text.resize(read);
  return text;
}

// PKCS#1 v1.5 signature with SHA-256 of `input` (big-endian, as JWS wants it).
std::optional<std::string> SignRs256(const std::string& rsaKeyDer, const std::string& input) {
  BYTE* blob = nullptr;
  DWORD blobSize = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, PKCS_RSA_PRIVATE_KEY,
                             reinterpret_cast<const BYTE*>(rsaKeyDer.data()),
                             static_cast<DWORD>(rsaKeyDer.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr,
                             &blob, &blobSize)) {
    return std::nullopt;
  }
  const UniqueLocalMemory ownedBlob(blob);
  HCRYPTPROV provider = 0;
  HCRYPTKEY key = 0;
  HCRYPTHASH hash = 0;
  std::optional<std::string> signature;
  if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    DWORD size = 0;
    if (::CryptImportKey(provider, blob, blobSize, 0, 0, &key) &&
        ::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash) &&
        ::CryptHashData(hash, reinterpret_cast<const BYTE*>(input.data()),
                        static_cast<DWORD>(input.size()), 0) &&
        ::CryptSignHashW(hash, AT_KEYEXCHANGE, nullptr, 0, nullptr, &size)) {
      std::string bytes(size, '\0');
      if (::CryptSignHashW(hash, AT_KEYEXCHANGE, nullptr, 0, reinterpret_cast<BYTE*>(bytes.data()),
                           &size)) {
        bytes.resize(size);
        std::reverse(bytes.begin(), bytes.end());  // CryptoAPI gives it little-endian
        signature = bytes;
      }
    }
    if (hash) ::CryptDestroyHash(hash);
    if (key) ::CryptDestroyKey(key);
    ::CryptReleaseContext(provider, 0);
  }
  ::SecureZeroMemory(blob, blobSize);
  return signature;
}

std::string Sha1Of(const std::string& der) {
  BYTE hash[20] = {};
  DWORD size = sizeof hash;
  if (!::CryptHashCertificate(0, CALG_SHA1, 0, reinterpret_cast<const BYTE*>(der.data()),
                              static_cast<DWORD>(der.size()), hash, &size)) {
    return {};
  }
  return std::string(reinterpret_cast<const char*>(hash), size);
}

// Seconds since 1970 in UTC, from the system clock.
std::int64_t UnixTime() {
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<std::int64_t>((ticks - 116444736000000000ULL) / 10000000ULL);
}

std::string RandomId() {
  BYTE bytes[16] = {};
  HCRYPTPROV provider = 0;
  if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) {
    ::CryptGenRandom(provider, sizeof bytes, bytes);
    ::CryptReleaseContext(provider, 0);
  }
  static const char kHex[] = "0123456789abcdef";
  std::string id;
  for (const BYTE b : bytes) id += std::string{kHex[b >> 4], kHex[b & 15]};
  return id;
}

// The form body: a signed assertion from the key file, else the client secret.
std::optional<std::string> RequestBody(const TokenRequest& request, Failed& failed) {
  const std::string clientId = Utf8OfAnsi(request.clientId), scope = Utf8OfAnsi(request.scope);
  if (request.keyFilePath.empty()) {
    std::string secret = Utf8OfAnsi(request.secret);
    std::string body = ClientSecretRequest(clientId, secret, scope);
    WipeString(secret);
    return body;
  }
  std::string error;
  std::optional<std::string> text = ReadKeyFile(request.keyFilePath, error);
  std::optional<SigningKey> key = text ? SigningKeyOf(*text, error) : std::nullopt;
  if (text) WipeString(*text);
  if (!key) {
    failed = {kMailTokenRefused, error};
    return std::nullopt;
  }
  AssertionInput in{clientId, clientId,   Utf8OfAnsi(request.tokenUrl),
                    scope,    RandomId(), UnixTime()};
  std::string input;
  if (key->kind == SigningKey::kServiceAccount) {
    in.issuer = key->clientEmail;
    in.subject = Utf8OfAnsi(request.subject);
    input = ServiceAccountSigningInput(in, key->keyId);
  } else {
    input = ClientAssertionSigningInput(in, Sha1Of(key->certificateDer));
  }
  const auto signature = SignRs256(key->privateKeyDer, input);
  if (!signature) {
    failed = {kMailTokenRefused, "キーファイルの秘密鍵で署名できません: " + LastFailure().text};
    return std::nullopt;
  }
  const std::string assertion = input + "." + Base64Url(*signature);
  return key->kind == SigningKey::kServiceAccount
             ? JwtBearerRequest(assertion)
             : ClientAssertionRequest(clientId, scope, assertion);
}

std::string WinHttpFailure(const char* step) {
  const DWORD error = ::GetLastError();
  return std::string(step) + " に失敗しました（WinHTTP エラー " + std::to_string(error) + "）";
}

// Posts `body`; the HTTP status and the reply's body (at most the cap and one byte more).
std::optional<std::pair<int, std::string>> Post(const TokenRequest& request,
                                                const std::string& body, Failed& failed) {
  const std::wstring url = WideOfAnsi(request.tokenUrl);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS) {
    failed = {kMailTokenUnavailable, "SmtpOAuthTokenUrl は https:// の URL で指定してください"};
    return std::nullopt;
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring path =
      std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
      std::wstring(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
  const UniqueInternet session(::WinHttpOpen(L"zqPelmora", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                             WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  const int step = static_cast<int>(std::max(5000u, request.timeoutMs / 4));
  if (!session || !::WinHttpSetTimeouts(session.get(), step, step, step, step)) {
    failed = {kMailTokenUnavailable, WinHttpFailure("WinHttpOpen")};
    return std::nullopt;
  }
  const UniqueInternet connection(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
  const UniqueInternet http(
      connection ? ::WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr,
                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                        WINHTTP_FLAG_SECURE)
                 : nullptr);
  // The chain, the name and the dates are judged by VerifyServerCertificate below, with the
  // SmtpCaFile roots, before the body leaves.
  DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_CN_INVALID |
                SECURITY_FLAG_IGNORE_CERT_DATE_INVALID | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE;
  const wchar_t kType[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
  if (!http ||
      !::WinHttpSetOption(http.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags) ||
      !::WinHttpSendRequest(http.get(), kType, static_cast<DWORD>(-1L), WINHTTP_NO_REQUEST_DATA, 0,
                            static_cast<DWORD>(body.size()), 0)) {
    failed = {kMailTokenUnavailable, "トークンの発行元に接続できません: " + request.tokenUrl +
                                         "\r\n" + WinHttpFailure("WinHttpSendRequest")};
    return std::nullopt;
  }
  PCCERT_CONTEXT certificate = nullptr;
  DWORD size = sizeof certificate;
  std::string accepted;
  const std::string host8 = AnsiOfWide(host.c_str());
  const std::string refusal =
      ::WinHttpQueryOption(http.get(), WINHTTP_OPTION_SERVER_CERT_CONTEXT, &certificate, &size)
          ? VerifyServerCertificate(certificate, {host8, DottedAddress(host8)}, request.caFile,
                                    accepted)
          : "トークンの発行元の証明書を読めません";
  if (certificate) ::CertFreeCertificateContext(certificate);
  if (!refusal.empty()) {
    failed = {kMailTokenUnavailable, "トークンの発行元の証明書を信頼できません: " + refusal};
    return std::nullopt;
  }
  DWORD written = 0;
  if (!::WinHttpWriteData(http.get(), body.data(), static_cast<DWORD>(body.size()), &written) ||
      !::WinHttpReceiveResponse(http.get(), nullptr)) {
    failed = {kMailTokenUnavailable, WinHttpFailure("トークンの要求")};
    return std::nullopt;
  }
  DWORD status = 0;
  size = sizeof status;
  ::WinHttpQueryHeaders(http.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                        WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX);
  std::string reply;
  char chunk[8192];
  DWORD read = 0;
  while (reply.size() <= kMaxTokenReplyBytes &&
         ::WinHttpReadData(http.get(), chunk, sizeof chunk, &read) && read > 0) {
    reply.append(chunk, read);
  }
  return std::make_pair(static_cast<int>(status), std::move(reply));
}

}  // namespace

TokenOutcome::~TokenOutcome() { WipeString(token); }

TokenOutcome FetchToken(const TokenRequest& request) {
  TokenOutcome outcome;
  outcome.trace.push_back("OAuth 2.0 のトークンを要求します: " + request.tokenUrl);
  Failed failed{0, {}};
  std::optional<std::string> body = RequestBody(request, failed);
  auto answer = body ? Post(request, *body, failed) : std::nullopt;
  if (body) WipeString(*body);
  if (!answer) {
    outcome.exitCode = failed.code;
    outcome.failure = failed.text;
    return outcome;
  }
  TokenReply reply = TokenReplyOf(answer->first, answer->second);
  WipeString(answer->second);
  if (!reply.ok) {
    outcome.exitCode = reply.refused ? kMailTokenRefused : kMailTokenUnavailable;
    outcome.failure = "トークンを取得できません: " + Ansi(reply.error);
    const std::string why = RefusalExplanation(reply.error);
    if (!why.empty()) outcome.failure += "\r\n" + why;
    return outcome;
  }
  outcome.token = std::move(reply.token);
  outcome.trace.push_back("トークンを取得しました（有効期間 " + std::to_string(reply.expiresIn) +
                          " 秒）");
  return outcome;
}

}  // namespace zq
