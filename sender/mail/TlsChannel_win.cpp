// The TLS client over SChannel.
#include "sender/mail/TlsChannel_win.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "common/StdFile.h"

namespace zq {
namespace {

// The SSL policy's check flag that accepts a root outside the machine's stores.
constexpr DWORD kIgnoreUnknownCa = 0x00000100;

constexpr ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;

struct CertContextFree {
  void operator()(PCCERT_CONTEXT c) const { ::CertFreeCertificateContext(c); }
};
using CertContext = std::unique_ptr<const CERT_CONTEXT, CertContextFree>;
struct CertStoreClose {
  void operator()(HCERTSTORE s) const { ::CertCloseStore(s, 0); }
};
using CertStore = std::unique_ptr<void, CertStoreClose>;
struct ChainFree {
  void operator()(PCCERT_CHAIN_CONTEXT c) const { ::CertFreeCertificateChain(c); }
};
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

std::string Hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

// A certificate file in DER or PEM form.
CertContext LoadCertificate(const std::string& path) {
  const UniqueStdFile file = OpenStdFile(path, "rb");
  if (!file) return nullptr;
  std::string bytes;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
    bytes.append(chunk, n);
  }
  if (bytes.empty()) return nullptr;
  DWORD size = 0;
  if (::CryptStringToBinaryA(bytes.data(), static_cast<DWORD>(bytes.size()),
                             CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    std::string der(size, '\0');
    if (::CryptStringToBinaryA(bytes.data(), static_cast<DWORD>(bytes.size()),
                               CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()),
                               &size, nullptr, nullptr)) {
      bytes.assign(der.data(), size);
    }
  }
  return CertContext(::CertCreateCertificateContext(X509_ASN_ENCODING,
                                                    reinterpret_cast<const BYTE*>(bytes.data()),
                                                    static_cast<DWORD>(bytes.size())));
}

std::wstring Wide(const std::string& text) {
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
  wide.resize(wide.size() - 1);
  return wide;
}

const char* ProtocolName(DWORD protocol) {
  if (protocol & SP_PROT_TLS1_3_CLIENT) return "TLS 1.3";
  if (protocol & SP_PROT_TLS1_2_CLIENT) return "TLS 1.2";
  if (protocol & SP_PROT_TLS1_1_CLIENT) return "TLS 1.1";
  if (protocol & SP_PROT_TLS1_0_CLIENT) return "TLS 1.0";
  return "SSL";
}

}  // namespace

TlsChannel::TlsChannel(std::string serverName, std::string caFile)
    : serverName_(std::move(serverName)), caFile_(std::move(caFile)) {}

TlsChannel::~TlsChannel() {
  if (haveContext_) ::DeleteSecurityContext(&context_);
  if (haveCredentials_) ::FreeCredentialsHandle(&credentials_);
}

bool TlsChannel::Fail(const char* what, SECURITY_STATUS status) {
  error_ = std::string(what) + " (" + Hex(static_cast<unsigned long>(status)) + ")";
  return false;
}

TlsChannel::Step TlsChannel::Start(std::string& out) {
  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  // The certificate is checked here, not by the provider's own rules; no client certificate.
  settings.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry{};
  const SECURITY_STATUS status =
      ::AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                  nullptr, &settings, nullptr, nullptr, &credentials_, &expiry);
  if (status != SEC_E_OK) {
    Fail("TLS の資格情報を取得できません", status);
    return Step::kFailed;
  }
  haveCredentials_ = true;
  return Negotiate(out);
}

TlsChannel::Step TlsChannel::Handshake(std::string_view in, std::string& out) {
  handshake_.append(in);
  return Negotiate(out);
}

// One or more calls of the handshake routine over the bytes received so far.
TlsChannel::Step TlsChannel::Negotiate(std::string& out) {
  for (;;) {
    SecBuffer inBuffers[2] = {
        {static_cast<ULONG>(handshake_.size()), SECBUFFER_TOKEN, handshake_.data()},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc input{SECBUFFER_VERSION, 2, inBuffers};
    SecBuffer outBuffer{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &outBuffer};
    ULONG attributes = 0;
    std::string target = serverName_;
    const SECURITY_STATUS status = ::InitializeSecurityContextA(
        &credentials_, haveContext_ ? &context_ : nullptr, target.empty() ? nullptr : target.data(),
        kContextFlags, 0, 0, haveContext_ ? &input : nullptr, 0, haveContext_ ? nullptr : &context_,
        &output, &attributes, nullptr);
    if (!haveContext_ && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED)) {
      haveContext_ = true;
    }
    if (outBuffer.pvBuffer) {
      out.append(static_cast<const char*>(outBuffer.pvBuffer), outBuffer.cbBuffer);
      ::FreeContextBuffer(outBuffer.pvBuffer);
    }
    if (status == SEC_E_INCOMPLETE_MESSAGE) return Step::kContinue;
    // Bytes the routine did not consume stay for the next call (or for the records).
    std::string rest;
    if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer <= handshake_.size()) {
      rest = handshake_.substr(handshake_.size() - inBuffers[1].cbBuffer);
    }
    if (status == SEC_E_OK) {
      handshake_.clear();
      extra_ += rest;
      const SECURITY_STATUS sizes =
          ::QueryContextAttributesA(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
      if (sizes != SEC_E_OK) {
        Fail("TLS のレコード長を取得できません", sizes);
        return Step::kFailed;
      }
      return Step::kDone;
    }
    if (status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS) {
      handshake_ = std::move(rest);
      if (handshake_.empty()) return Step::kContinue;
      continue;
    }
    Fail("TLS ハンドシェイクに失敗しました", status);
    return Step::kFailed;
  }
}

std::string TlsChannel::TakeExtra() { return std::exchange(extra_, {}); }

std::string TlsChannel::VerifyServer() {
  PCCERT_CONTEXT remote = nullptr;
  const SECURITY_STATUS status =
      ::QueryContextAttributesA(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &remote);
  if (status != SEC_E_OK || !remote) return "サーバー証明書を取得できません (" + Hex(status) + ")";
  const CertContext server(remote);

  // What the server sent, and the extra root when one is given.
  CertStore extra(::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
  CertStore own(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
  if (!extra || !own) return "証明書ストアを開けません (" + Hex(::GetLastError()) + ")";
  ::CertAddStoreToCollection(extra.get(), server->hCertStore, 0, 0);
  CertContext root;
  if (!caFile_.empty()) {
    root = LoadCertificate(caFile_);
    if (!root) return "SmtpCaFile の証明書を読めません: " + caFile_;
    ::CertAddCertificateContextToStore(own.get(), root.get(), CERT_STORE_ADD_ALWAYS, nullptr);
    ::CertAddStoreToCollection(extra.get(), own.get(), 0, 0);
  }

  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
  parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  // Nothing is fetched from the network: the window must never block.
  PCCERT_CHAIN_CONTEXT built = nullptr;
  if (!::CertGetCertificateChain(nullptr, server.get(), nullptr, extra.get(), &parameters,
                                 CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL, nullptr, &built)) {
    return "証明書チェーンを構築できません (" + Hex(::GetLastError()) + ")";
  }
  const Chain chain(built);
  DWORD trust = chain->TrustStatus.dwErrorStatus;
  bool ownRoot = false;
  if (root && chain->cChain > 0 && chain->rgpChain[0]->cElement > 0) {
    const CERT_SIMPLE_CHAIN* simple = chain->rgpChain[0];
    const PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
    ownRoot = ::CertCompareCertificate(X509_ASN_ENCODING, top->pCertInfo, root->pCertInfo);
    if (ownRoot) trust &= ~static_cast<DWORD>(CERT_TRUST_IS_UNTRUSTED_ROOT);
  }
  if (trust != CERT_TRUST_NO_ERROR) return "証明書チェーンが信頼できません (" + Hex(trust) + ")";

  std::wstring name = Wide(serverName_);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.fdwChecks = ownRoot ? kIgnoreUnknownCa : 0;
  ssl.pwszServerName = name.empty() ? nullptr : name.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof verdict;
  if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &verdict)) {
    return "証明書を検証できません (" + Hex(::GetLastError()) + ")";
  }
  if (verdict.dwError != 0) {
    return (verdict.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)
                ? "証明書の名前がサーバー名と一致しません ("
                : "証明書が信頼できません (") +
           Hex(verdict.dwError) + ")";
  }
  char subject[512] = {};
  ::CertGetNameStringA(server.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject,
                       sizeof subject);
  accepted_ = subject;
  return {};
}

bool TlsChannel::Decrypt(std::string_view in, std::string& plain, std::string& out) {
  received_.append(in);
  while (!received_.empty() && !closed_) {
    SecBuffer buffers[4] = {
        {static_cast<ULONG>(received_.size()), SECBUFFER_DATA, received_.data()},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = ::DecryptMessage(&context_, &message, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return true;  // the rest of the record is to come
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED) {
      return Fail("TLS レコードを復号できません", status);
    }
    std::string rest;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA) {
        plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
      } else if (buffer.BufferType == SECBUFFER_EXTRA) {
        rest.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
      }
    }
    received_ = std::move(rest);
    if (status == SEC_I_CONTEXT_EXPIRED) closed_ = true;
    if (status == SEC_I_RENEGOTIATE) {
      // A post-handshake message (TLS 1.3 tickets and key updates) goes through the
      // handshake routine; records after it are decrypted as before.
      handshake_ = std::move(received_);
      received_.clear();
      if (Negotiate(out) == Step::kFailed) return false;
      received_ = TakeExtra() + handshake_;
      handshake_.clear();
    }
  }
  return true;
}

bool TlsChannel::Encrypt(std::string_view plain, std::string& out) {
  while (!plain.empty()) {
    const std::size_t length = std::min<std::size_t>(plain.size(), sizes_.cbMaximumMessage);
    const std::size_t base = out.size();
    out.resize(base + sizes_.cbHeader + length + sizes_.cbTrailer);
    char* record = out.data() + base;
    std::memcpy(record + sizes_.cbHeader, plain.data(), length);
    SecBuffer buffers[4] = {
        {sizes_.cbHeader, SECBUFFER_STREAM_HEADER, record},
        {static_cast<ULONG>(length), SECBUFFER_DATA, record + sizes_.cbHeader},
        {sizes_.cbTrailer, SECBUFFER_STREAM_TRAILER, record + sizes_.cbHeader + length},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = ::EncryptMessage(&context_, 0, &message, 0);
    if (status != SEC_E_OK) {
      out.resize(base);
      return Fail("TLS レコードを暗号化できません", status);
    }
    out.resize(base + buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    plain.remove_prefix(length);
  }
  return true;
}

std::string TlsChannel::Description() const {
  SecPkgContext_ConnectionInfo info{};
  std::string text = "TLS";
  if (::QueryContextAttributesA(const_cast<CtxtHandle*>(&context_), SECPKG_ATTR_CONNECTION_INFO,
                                &info) == SEC_E_OK) {
    text = std::string(ProtocolName(info.dwProtocol)) + ", 暗号 " + Hex(info.aiCipher) + " (" +
           std::to_string(info.dwCipherStrength) + " bit), 鍵交換 " + Hex(info.aiExch);
  }
  return text + ", 証明書 " + (accepted_.empty() ? "(未確認)" : accepted_);
}

}  // namespace zq
