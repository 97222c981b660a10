// Test helper for secure mail under Wine:
//   zq_tls_helper protect TEXT       prints TEXT protected as the console stores a password
//   zq_tls_helper trust FILE         adds the certificate (DER or PEM) to the current user's
//                                    root store
//   zq_tls_helper untrust FILE       removes it again
#include <windows.h>
// after windows.h
#include <wincrypt.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "common/ProtectedText_win.h"

namespace {

PCCERT_CONTEXT Load(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  DWORD size = 0;
  if (::CryptStringToBinaryA(bytes.data(), static_cast<DWORD>(bytes.size()),
                             CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr)) {
    std::string der(size, '\0');
    ::CryptStringToBinaryA(bytes.data(), static_cast<DWORD>(bytes.size()),
                           CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size,
                           nullptr, nullptr);
    bytes.assign(der.data(), size);
  }
  return ::CertCreateCertificateContext(X509_ASN_ENCODING,
                                        reinterpret_cast<const BYTE*>(bytes.data()),
                                        static_cast<DWORD>(bytes.size()));
}

int Trust(const char* path, bool add) {
  const PCCERT_CONTEXT cert = Load(path);
  if (!cert) return 2;
  const HCERTSTORE root =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "ROOT");
  if (!root) return 3;
  bool ok = true;
  if (add) {
    ok = ::CertAddCertificateContextToStore(root, cert, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  } else if (const PCCERT_CONTEXT found = ::CertFindCertificateInStore(
                 root, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert, nullptr)) {
    ok = ::CertDeleteCertificateFromStore(found);
  }
  ::CertCloseStore(root, 0);
  ::CertFreeCertificateContext(cert);
  return ok ? 0 : 4;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 1;
  if (std::strcmp(argv[1], "protect") == 0) {
    const auto text = zq::ProtectText(argv[2], zq::SecretScope::kMachine);
    if (!text) return 5;
    std::printf("%s", text->c_str());
    return 0;
  }
  if (std::strcmp(argv[1], "trust") == 0) return Trust(argv[2], true);
  if (std::strcmp(argv[1], "untrust") == 0) return Trust(argv[2], false);
  return 1;
}
