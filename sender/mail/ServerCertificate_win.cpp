// The mail server's certificate check.
#include "sender/mail/ServerCertificate_win.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "common/PlatformText.h"
#include "common/StdFile.h"
#include "sender/mail/MailSecurity.h"

namespace zq {
namespace {

// The SSL policy's check flags that accept a root outside the machine's stores, and that leave
// revocation to the chain's own status (a revoked certificate is refused before the policy;
// "not known", as without a cached list, is not a refusal).
constexpr DWORD kIgnoreUnknownCa = 0x00000100;
constexpr DWORD kIgnoreRevocation = 0x00000080;
// A root file is small; anything larger is not one.
constexpr std::size_t kMaxRootFileBytes = 1024 * 1024;

struct CertStoreClose {
  void operator()(HCERTSTORE s) const { ::CertCloseStore(s, 0); }
};
using CertStore = std::unique_ptr<void, CertStoreClose>;
struct ChainFree {
  void operator()(PCCERT_CHAIN_CONTEXT c) const { ::CertFreeCertificateChain(c); }
};
using Chain = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainFree>;

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  const UniqueStdFile file = OpenStdFile(path, "rb");
  if (!file) return false;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, file.get())) > 0;) {
    bytes.append(chunk, n);
    if (bytes.size() > kMaxRootFileBytes) return false;
  }
  return !bytes.empty();
}

CertContext CertificateOf(const std::string& der) {
  return CertContext(::CertCreateCertificateContext(X509_ASN_ENCODING,
                                                    reinterpret_cast<const BYTE*>(der.data()),
                                                    static_cast<DWORD>(der.size())));
}

std::string DerOfBase64(const std::string& base64) {
  DWORD size = 0;
  if (!::CryptStringToBinaryA(base64.data(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64,
                              nullptr, &size, nullptr, nullptr)) {
    return {};
  }
  std::string der(size, '\0');
  if (!::CryptStringToBinaryA(base64.data(), static_cast<DWORD>(base64.size()), CRYPT_STRING_BASE64,
                              reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr)) {
    return {};
  }
  der.resize(size);
  return der;
}

// Every certificate of the root file; empty when any of them cannot be read.
std::vector<CertContext> LoadRoots(const std::string& path) {
  std::vector<CertContext> roots;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return roots;
  const CertificateBlocks blocks = CertificateBlocksOf(bytes);
  if (blocks.wholeFileIsDer) {
    if (CertContext root = CertificateOf(bytes)) roots.push_back(std::move(root));
    return roots;
  }
  for (const std::string& base64 : blocks.base64) {
    CertContext root = CertificateOf(DerOfBase64(base64));
    if (!root) return {};
    roots.push_back(std::move(root));
  }
  return roots;
}

bool SameEncoding(PCCERT_CONTEXT a, PCCERT_CONTEXT b) {
  return a->cbCertEncoded == b->cbCertEncoded &&
         std::memcmp(a->pbCertEncoded, b->pbCertEncoded, a->cbCertEncoded) == 0;
}

// The iPAddress names of the certificate's subject alternative names.
std::vector<std::string> AddressNamesOf(PCCERT_CONTEXT certificate) {
  std::vector<std::string> names;
  const CERT_INFO* info = certificate->pCertInfo;
  const PCERT_EXTENSION extension =
      ::CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
  if (!extension) return names;
  CERT_ALT_NAME_INFO* decoded = nullptr;
  DWORD size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, extension->Value.pbData,
                             extension->Value.cbData, CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded,
                             &size)) {
    return names;
  }
  for (DWORD i = 0; i < decoded->cAltEntry; ++i) {
    const CERT_ALT_NAME_ENTRY& entry = decoded->rgAltEntry[i];
    if (entry.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS) {
      names.emplace_back(reinterpret_cast<const char*>(entry.IPAddress.pbData),
                         entry.IPAddress.cbData);
    }
  }
  ::LocalFree(decoded);
  return names;
}

// The chain's trust status with an extra root recognised by its whole encoding, and the
// revocation results that only mean "not known" (nothing is fetched) taken away.
DWORD TrustStatusOf(const CERT_CHAIN_CONTEXT& chain, const std::vector<CertContext>& roots,
                    bool& ownRoot) {
  DWORD trust =
      chain.TrustStatus.dwErrorStatus &
      ~static_cast<DWORD>(CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION);
  ownRoot = false;
  if (chain.cChain == 0 || chain.rgpChain[0]->cElement == 0) return trust;
  const CERT_SIMPLE_CHAIN* simple = chain.rgpChain[0];
  const PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
  for (const CertContext& root : roots) {
    if (SameEncoding(top, root.get())) ownRoot = true;
  }
  if (ownRoot) trust &= ~static_cast<DWORD>(CERT_TRUST_IS_UNTRUSTED_ROOT);
  return trust;
}

}  // namespace

std::string VerifyServerCertificate(PCCERT_CONTEXT server, const ServerIdentity& identity,
                                    const std::string& caFile, std::string& acceptedName) {
  // What the server sent, and the extra roots when a file names them.
  CertStore extra(::CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr));
  CertStore own(::CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
  if (!extra || !own) return "証明書ストアを開けません (" + HexCode(::GetLastError()) + ")";
  ::CertAddStoreToCollection(extra.get(), server->hCertStore, 0, 0);
  std::vector<CertContext> roots;
  if (!caFile.empty()) {
    roots = LoadRoots(caFile);
    if (roots.empty()) return "SmtpCaFile の証明書を読めません: " + caFile;
    for (const CertContext& root : roots) {
      ::CertAddCertificateContextToStore(own.get(), root.get(), CERT_STORE_ADD_ALWAYS, nullptr);
    }
    ::CertAddStoreToCollection(extra.get(), own.get(), 0, 0);
  }

  char serverAuth[] = szOID_PKIX_KP_SERVER_AUTH;
  LPSTR usages[] = {serverAuth};
  CERT_CHAIN_PARA parameters{};
  parameters.cbSize = sizeof parameters;
  parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
  parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
  // Nothing is fetched from the network: the window must never block. Revocation is judged
  // from what the system has cached.
  const DWORD flags = CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL |
                      CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT |
                      CERT_CHAIN_REVOCATION_CHECK_CACHE_ONLY;
  PCCERT_CHAIN_CONTEXT built = nullptr;
  if (!::CertGetCertificateChain(nullptr, server, nullptr, extra.get(), &parameters, flags, nullptr,
                                 &built)) {
    return "証明書チェーンを構築できません (" + HexCode(::GetLastError()) + ")";
  }
  const Chain chain(built);
  bool ownRoot = false;
  const DWORD trust = TrustStatusOf(*chain, roots, ownRoot);
  if (trust & CERT_TRUST_IS_REVOKED) return "証明書は失効しています (" + HexCode(trust) + ")";
  if (trust != CERT_TRUST_NO_ERROR)
    return "証明書チェーンが信頼できません (" + HexCode(trust) + ")";

  std::wstring name = WideOfAnsi(identity.hostName);
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.fdwChecks = kIgnoreRevocation | (ownRoot ? kIgnoreUnknownCa : 0);
  // An address is no DNS name: it is checked against the iPAddress names below.
  ssl.pwszServerName = identity.address || name.empty() ? nullptr : name.data();
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS verdict{};
  verdict.cbSize = sizeof verdict;
  if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &verdict)) {
    return "証明書を検証できません (" + HexCode(::GetLastError()) + ")";
  }
  if (verdict.dwError != 0) {
    return (verdict.dwError == static_cast<DWORD>(CERT_E_CN_NO_MATCH)
                ? "証明書の名前がサーバー名と一致しません ("
                : "証明書が信頼できません (") +
           HexCode(verdict.dwError) + ")";
  }
  if (identity.address && !AddressNamesServer(AddressNamesOf(server), *identity.address)) {
    return "証明書の IP アドレスがサーバーのアドレスと一致しません";
  }
  if (!identity.address && name.empty()) return "サーバー名がないため証明書を確認できません";
  char subject[512] = {};
  ::CertGetNameStringA(server, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, subject, sizeof subject);
  acceptedName = subject;
  return {};
}

}  // namespace zq
