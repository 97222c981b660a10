// The TLS client over SChannel.
#include "sender/mail/TlsChannel_win.h"

#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace zq {
namespace {

constexpr ULONG kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                                ISC_REQ_CONFIDENTIALITY | ISC_REQ_EXTENDED_ERROR |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                                ISC_REQ_MANUAL_CRED_VALIDATION;
// The certificate is checked here, not by the provider's own rules; no client certificate,
// not even when the server asks for one.
constexpr DWORD kCredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
// A server that asks for a client certificate gets the handshake again without one; a
// provider that keeps asking is a failure, not a loop.
constexpr int kMaxCredentialRetries = 2;

// TLS 1.2 and 1.3 through the newer credential structure (current Windows): every other
// protocol is disabled.
SECURITY_STATUS AcquireModern(CredHandle& credentials) {
  TLS_PARAMETERS tls{};
  tls.grbitDisabledProtocols = ~static_cast<DWORD>(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT);
  SCH_CREDENTIALS settings{};
  settings.dwVersion = SCH_CREDENTIALS_VERSION;
  settings.dwFlags = kCredentialFlags;
  settings.cTlsParameters = 1;
  settings.pTlsParameters = &tls;
  TimeStamp expiry{};
  return ::AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                     nullptr, &settings, nullptr, nullptr, &credentials, &expiry);
}

// TLS 1.2 through the older structure, where the newer one is refused.
SECURITY_STATUS AcquireClassic(CredHandle& credentials) {
  SCHANNEL_CRED settings{};
  settings.dwVersion = SCHANNEL_CRED_VERSION;
  settings.dwFlags = kCredentialFlags;
  settings.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  TimeStamp expiry{};
  return ::AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                     nullptr, &settings, nullptr, nullptr, &credentials, &expiry);
}

const char* ProtocolName(DWORD protocol) {
  if (protocol & SP_PROT_TLS1_3_CLIENT) return "TLS 1.3";
  if (protocol & SP_PROT_TLS1_2_CLIENT) return "TLS 1.2";
  if (protocol & SP_PROT_TLS1_1_CLIENT) return "TLS 1.1";
  if (protocol & SP_PROT_TLS1_0_CLIENT) return "TLS 1.0";
  return "SSL";
}

}  // namespace

TlsChannel::TlsChannel(ServerIdentity server, std::string caFile)
    : server_(std::move(server)), caFile_(std::move(caFile)) {}

TlsChannel::~TlsChannel() {
  if (haveContext_) ::DeleteSecurityContext(&context_);
  if (haveCredentials_) ::FreeCredentialsHandle(&credentials_);
}

bool TlsChannel::Fail(const char* what, SECURITY_STATUS status) {
  error_ = std::string(what) + " (" + HexCode(static_cast<unsigned long>(status)) + ")";
  return false;
}

TlsChannel::Step TlsChannel::Start(std::string& out) {
  SECURITY_STATUS status = AcquireModern(credentials_);
  if (status != SEC_E_OK) status = AcquireClassic(credentials_);
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
  int credentialRetries = 0;
  for (;;) {
    SecBuffer inBuffers[2] = {
        {static_cast<ULONG>(handshake_.size()), SECBUFFER_TOKEN, handshake_.data()},
        {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc input{SECBUFFER_VERSION, 2, inBuffers};
    SecBuffer outBuffer{0, SECBUFFER_TOKEN, nullptr};
    SecBufferDesc output{SECBUFFER_VERSION, 1, &outBuffer};
    ULONG attributes = 0;
    // SNI carries a host name only, never an address.
    std::string target = server_.address ? std::string() : server_.hostName;
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
    if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
      // The server asked for a client certificate: the same bytes again, answered without one.
      if (++credentialRetries > kMaxCredentialRetries) {
        Fail("TLS ハンドシェイクに失敗しました（クライアント証明書の要求）", status);
        return Step::kFailed;
      }
      continue;
    }
    if (status == SEC_I_CONTINUE_NEEDED) {
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
  if (status != SEC_E_OK || !remote) {
    return "サーバー証明書を取得できません (" + HexCode(status) + ")";
  }
  const CertContext server(remote);
  return VerifyServerCertificate(server.get(), server_, caFile_, accepted_);
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
    text = std::string(ProtocolName(info.dwProtocol)) + ", 暗号 " + HexCode(info.aiCipher) + " (" +
           std::to_string(info.dwCipherStrength) + " bit), 鍵交換 " + HexCode(info.aiExch);
  }
  return text + ", 証明書 " + (accepted_.empty() ? "(未確認)" : accepted_);
}

}  // namespace zq
