// Protected secrets.
#include "common/ProtectedText_win.h"

#include <windows.h>
// after windows.h
#include <dpapi.h>
#include <wincrypt.h>

#include "common/SecretText.h"
#include "common/UniqueHandle.h"

namespace zq {
namespace {

// The blob the platform allocated, copied out and freed.
std::string TakeBlob(DATA_BLOB& blob) {
  const UniqueLocalMemory owned(blob.pbData);
  return std::string(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
}

}  // namespace

std::optional<std::string> ProtectText(const std::string& secret, SecretScope scope) {
  DATA_BLOB in{static_cast<DWORD>(secret.size()),
               reinterpret_cast<BYTE*>(const_cast<char*>(secret.data()))};
  DATA_BLOB out{};
  if (!::CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr,
                          (scope == SecretScope::kMachine ? CRYPTPROTECT_LOCAL_MACHINE : 0) |
                              CRYPTPROTECT_UI_FORBIDDEN,
                          &out)) {
    return std::nullopt;
  }
  const std::string blob = TakeBlob(out);
  const DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
  DWORD length = 0;
  if (!::CryptBinaryToStringA(reinterpret_cast<const BYTE*>(blob.data()),
                              static_cast<DWORD>(blob.size()), flags, nullptr, &length)) {
    return std::nullopt;
  }
  std::string text(length, '\0');
  if (!::CryptBinaryToStringA(reinterpret_cast<const BYTE*>(blob.data()),
                              static_cast<DWORD>(blob.size()), flags, text.data(), &length)) {
    return std::nullopt;
  }
  text.resize(length);
  while (!text.empty() && (text.back() == '\0' || text.back() == '\r' || text.back() == '\n')) {
    text.pop_back();
  }
  return text;
}

std::optional<std::string> UnprotectText(const std::string& text) {
  DWORD length = 0;
  if (text.empty() ||
      !::CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                              nullptr, &length, nullptr, nullptr)) {
    return std::nullopt;
  }
  std::string blob(length, '\0');
  if (!::CryptStringToBinaryA(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64,
                              reinterpret_cast<BYTE*>(blob.data()), &length, nullptr, nullptr)) {
    return std::nullopt;
  }
  DATA_BLOB in{length, reinterpret_cast<BYTE*>(blob.data())};
  DATA_BLOB out{};
  if (!::CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out)) {
    return std::nullopt;
  }
  return TakeBlob(out);
}

std::optional<std::string> ReprotectText(const std::string& text, SecretScope scope) {
  std::optional<std::string> secret = UnprotectText(text);
  if (!secret) return std::nullopt;
  std::optional<std::string> again = ProtectText(*secret, scope);
  WipeString(*secret);
  return again;
}

}  // namespace zq
