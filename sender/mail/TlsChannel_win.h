// A TLS client over the platform's SChannel: takes the bytes the server sent and returns the
// bytes to send, never touching the socket. Handshake, the check of the server's certificate
// (fail closed), record encryption sized from the stream sizes, and decryption that keeps
// partial and extra records. Windows only.
#pragma once

#define SECURITY_WIN32
// The newer credential structure (TLS 1.3) is declared only with this.
#define SCHANNEL_USE_BLACKLISTS
#include <windows.h>
// after windows.h
#include <subauth.h>
// after subauth.h (UNICODE_STRING)
#include <schannel.h>
#include <security.h>

#include <string>
#include <string_view>

#include "sender/mail/ServerCertificate_win.h"

namespace zq {

class TlsChannel {
 public:
  enum class Step { kContinue, kDone, kFailed };

  // `server` as the user gave it: a host name goes out as SNI and must be named by the
  // certificate, an address must be one of its iPAddress names. `caFile`: extra trusted roots
  // (DER, or PEM with any number of certificates), or "". TLS 1.2 or later only.
  TlsChannel(ServerIdentity server, std::string caFile);
  ~TlsChannel();
  TlsChannel(const TlsChannel&) = delete;
  TlsChannel& operator=(const TlsChannel&) = delete;

  // The first handshake message, appended to `out`.
  Step Start(std::string& out);
  // Handshake bytes from the server; the answer, if any, appended to `out`. After kDone,
  // bytes that followed the handshake wait in TakeExtra().
  Step Handshake(std::string_view in, std::string& out);
  std::string TakeExtra();

  // The server's certificate checked (VerifyServerCertificate): "" when accepted, else why not.
  std::string VerifyServer();

  // Received records to plain text appended to `plain`; an incomplete record waits for more.
  // Post-handshake messages may need an answer, appended to `out`. False on failure.
  bool Decrypt(std::string_view in, std::string& plain, std::string& out);
  // Plain text as records appended to `out`. False on failure.
  bool Encrypt(std::string_view plain, std::string& out);

  // Protocol and cipher agreed, and whose certificate was accepted, for the trace.
  std::string Description() const;
  const std::string& error() const { return error_; }
  // The server ended TLS (close_notify).
  bool closed() const { return closed_; }

 private:
  Step Negotiate(std::string& out);
  bool Fail(const char* what, SECURITY_STATUS status);

  ServerIdentity server_;
  std::string caFile_;
  CredHandle credentials_{};
  CtxtHandle context_{};
  bool haveCredentials_ = false;
  bool haveContext_ = false;
  SecPkgContext_StreamSizes sizes_{};
  std::string handshake_;  // handshake bytes not yet consumed
  std::string extra_;      // bytes after the handshake
  std::string received_;   // record bytes not yet decrypted
  std::string accepted_;   // the accepted certificate's subject
  std::string error_;
  bool closed_ = false;
};

}  // namespace zq
