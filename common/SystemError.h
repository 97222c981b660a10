// Texts of the platform's error numbers, in the user's language. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace zq {

// The user's default language, in which every platform text is fetched.
inline DWORD TextLanguage() { return MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT); }

// A text FormatMessageA allocated: taken up to `length` bytes and freed.
std::string TakeFormattedText(char* text, DWORD length);

// The platform's text for a system error number, on one line ("" when it has none).
std::string GetSystemErrorText(std::uint32_t error);

}  // namespace zq
