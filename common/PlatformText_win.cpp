// Profile values, the computer name and system error texts.
#include "common/PlatformText.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/UniqueHandle.h"

namespace zq {

std::wstring WideOfAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string AnsiOfWide(const wchar_t* text) {
  if (!text) return {};
  const int length = ::lstrlenW(text);
  const int bytes = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string narrow(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, length, narrow.data(), bytes, nullptr, nullptr);
  return narrow;
}

std::string Utf8OfAnsi(const std::string& text) {
  std::wstring wide = WideOfAnsi(text);
  if (wide.empty()) return {};
  const int wideLength = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, utf8.data(), length, nullptr, nullptr);
  // The text may be a password: the copy on the way is wiped.
  ::SecureZeroMemory(wide.data(), wide.size() * sizeof(wchar_t));
  return utf8;
}

std::string TakeFormattedText(char* text, DWORD length) {
  UniqueLocalMemory owner(text);
  return length == 0 || text == nullptr ? std::string() : std::string(text, length);
}

std::string GetSystemErrorText(std::uint32_t error) { return ModuleErrorText(nullptr, error); }

std::string ModuleErrorText(HMODULE module, std::uint32_t error) {
  char* text = nullptr;
  const DWORD source = module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM;
  const DWORD length =
      ::FormatMessageA(source | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK |
                           FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       module, error, TextLanguage(), reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = TakeFormattedText(text, length);
  while (!message.empty() &&
         (message.back() == ' ' || message.back() == '\r' || message.back() == '\n')) {
    message.pop_back();
  }
  return message;
}

std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key) {
  constexpr std::size_t kMaxValueBuffer = 1 << 20;
  std::vector<char> buffer(256);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), "", buffer.data(),
                                                    size, file.c_str());
    // A value cut to fit is reported with length size - 1: try again with more room.
    if (length + 1 < size || buffer.size() >= kMaxValueBuffer) {
      return std::string(buffer.data(), std::min<std::size_t>(length, size - 1));
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string LocalComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof(name);
  if (!::GetComputerNameA(name, &size)) return {};
  return std::string(name, strnlen(name, sizeof(name)));
}

Win32Failure FailureOf(std::uint32_t code) {
  return code == 0 ? Win32Failure{} : Win32Failure{code, GetSystemErrorText(code)};
}

Win32Failure LastFailure() {
  const DWORD error = ::GetLastError();
  return FailureOf(error != 0 ? error : ERROR_GEN_FAILURE);
}

std::string WindowTextOf(HWND window) {
  const int length = window ? ::GetWindowTextLengthA(window) : 0;
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = ::GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

std::optional<std::string> ReadRegistryValue(HKEY root, const std::string& path,
                                             const std::string& name) {
  UniqueRegKey key;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  DWORD type = 0, bytes = 0;
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &bytes) !=
          ERROR_SUCCESS ||
      bytes == 0) {
    return {};
  }
  std::vector<char> data(bytes + 1, '\0');  // never trusting a terminating NUL
  if (::RegQueryValueExA(key.get(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(data.data()), &bytes) != ERROR_SUCCESS) {
    return {};
  }
  std::string value;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    value.assign(data.data(), strnlen(data.data(), bytes));
    if (type == REG_EXPAND_SZ) value = ExpandEnvironment(value);
  } else if (type == REG_DWORD && bytes >= sizeof(DWORD)) {
    value = std::to_string(*reinterpret_cast<const DWORD*>(data.data()));
  }
  if (value.empty()) return {};
  return value;
}

std::string ExpandEnvironment(const std::string& text) {
  const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::string expanded(needed, '\0');
  const DWORD written = ::ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return {};
  expanded.resize(written - 1);
  return expanded;
}

std::string ShortDateText(const SYSTEMTIME* moment) {
  char text[80] = {};
  if (!::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, moment, nullptr, text, sizeof(text))) {
    return {};
  }
  return text;
}

std::string TimeText(bool withSeconds, const SYSTEMTIME* moment) {
  char text[80] = {};
  if (!::GetTimeFormatA(LOCALE_USER_DEFAULT, withSeconds ? 0 : TIME_NOSECONDS, moment, nullptr,
                        text, sizeof(text))) {
    return {};
  }
  return text;
}

}  // namespace zq
