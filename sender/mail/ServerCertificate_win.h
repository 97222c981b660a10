// The check of a mail server's certificate, fail closed: the chain built from the local stores
// and what the server sent (nothing fetched from the network), trusted by the machine or by
// one of the extra roots compared whole, not known to be revoked, valid for server
// authentication, and naming the server the user gave (host name or address). Windows only.
#pragma once

#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace zq {

// Owners of the certificate objects the platform hands out.
struct CertContextFree {
  void operator()(PCCERT_CONTEXT c) const { ::CertFreeCertificateContext(c); }
};
using CertContext = std::unique_ptr<const CERT_CONTEXT, CertContextFree>;

// A status or error word as "0x%08lX", for the messages of the TLS layer.
inline std::string HexCode(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", value);
  return text;
}

// The server as the user gave it: a host name, or an IPv4 address (network byte order).
struct ServerIdentity {
  std::string hostName;
  std::optional<std::uint32_t> address;
};

// "" when `server` is accepted (`acceptedName` then holds its subject's name), else why not.
// `caFile` names a file of extra trusted roots (DER, or PEM with any number of certificates),
// or is "".
std::string VerifyServerCertificate(PCCERT_CONTEXT server, const ServerIdentity& identity,
                                    const std::string& caFile, std::string& acceptedName);

}  // namespace zq
