// Descriptors of real paths.
#include "common/AccessSafety_win.h"

#include <windows.h>
// after windows.h
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "common/PlatformText.h"
#include "common/UniqueHandle.h"

namespace zq {
namespace {

// A descriptor made from SDDL text, freed with it.
class Descriptor {
 public:
  explicit Descriptor(const std::string& sddl) {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &made,
                                                               nullptr)) {
      owned_.reset(made);
    } else {
      error_ = ::GetLastError();
    }
  }
  PSECURITY_DESCRIPTOR get() const { return owned_.get(); }
  std::uint32_t error() const { return owned_ ? 0 : (error_ ? error_ : ERROR_INVALID_PARAMETER); }

 private:
  UniqueLocalMemory owned_;
  std::uint32_t error_ = 0;
};

}  // namespace

std::string CurrentUserSid() {
  UniqueHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  DWORD size = 0;
  ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size)) return {};
  char* text = nullptr;
  if (!::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return {};
  }
  const UniqueLocalMemory owned(text);
  return text;
}

AccessVerdict CheckPathAccess(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return {false, LastFailure().text};
  }
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = ::GetNamedSecurityInfoA(
      path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
      nullptr, nullptr, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return {false, FailureOf(error).text};
  const UniqueLocalMemory owned(descriptor);
  char* text = nullptr;
  if (!::ConvertSecurityDescriptorToStringSecurityDescriptorA(
          descriptor, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
          &text, nullptr)) {
    return {false, LastFailure().text};
  }
  const UniqueLocalMemory ownedText(text);
  return JudgeAccess(text, (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, CurrentUserSid());
}

std::string ProtectedAccessText(bool administrators, bool folder) {
  const std::string entry = folder ? "(A;OICI;FA;;;" : "(A;;FA;;;";
  const std::string user = CurrentUserSid();
  std::string sddl = "D:P" + entry + "SY)";
  if (administrators) sddl += entry + "BA)";
  if (!user.empty()) sddl += entry + user + ")";
  return sddl;
}

std::uint32_t MakeDirectoryWithAccess(const std::string& path, const std::string& sddl,
                                      bool mayExist) {
  const Descriptor descriptor(sddl);
  if (const std::uint32_t error = descriptor.error()) return error;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  if (::CreateDirectoryA(path.c_str(), &attributes)) return 0;
  const DWORD error = ::GetLastError();
  const DWORD found = ::GetFileAttributesA(path.c_str());
  if (mayExist && error == ERROR_ALREADY_EXISTS && found != INVALID_FILE_ATTRIBUTES &&
      (found & FILE_ATTRIBUTE_DIRECTORY)) {
    return 0;
  }
  return error;
}

std::uint32_t SetPathAccess(const std::string& path, const std::string& sddl) {
  const Descriptor descriptor(sddl);
  if (const std::uint32_t error = descriptor.error()) return error;
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) || !present) {
    return ERROR_INVALID_SECURITY_DESCR;
  }
  std::string name = path;
  return ::SetNamedSecurityInfoA(name.data(), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, dacl, nullptr);
}

std::uint32_t ProtectFile(const std::string& path, const std::string& sddl) {
  const Descriptor descriptor(sddl);
  if (const std::uint32_t error = descriptor.error()) return error;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor.get(), FALSE};
  const UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) return 0;
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_EXISTS) return error;
  return SetPathAccess(path, sddl);
}

}  // namespace zq
