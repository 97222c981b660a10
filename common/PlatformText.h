// Texts the platform gives both programs: profile file values of any length, the computer
// name, and error texts in the user's language. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/Win32Failure.h"

namespace zq {

// The user's default language, in which every platform text is fetched.
inline DWORD TextLanguage() { return MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT); }

// A text FormatMessageA allocated: taken up to `length` bytes and freed.
std::string TakeFormattedText(char* text, DWORD length);

// Text in the system code page (CP_ACP) as UTF-16, and as UTF-8 (the form SASL and TLS names
// take); "" for text that cannot be converted.
std::wstring WideOfAnsi(const std::string& text);
// The whole zero-terminated UTF-16 text at `text` in the ANSI code page ("" for null).
std::string AnsiOfWide(const wchar_t* text);
std::string Utf8OfAnsi(const std::string& text);

// The platform's text for a system error number, on one line ("" when it has none).
std::string GetSystemErrorText(std::uint32_t error);

// The failure of system error number `code` (0: none), with the system's text for it.
Win32Failure FailureOf(std::uint32_t code);
// The failure the thread's last error describes (ERROR_GEN_FAILURE when the call set none).
Win32Failure LastFailure();

// The whole text of a window or control, of any length ("" for none).
std::string WindowTextOf(HWND window);
// The text of `error` in the message table of `module` (the system's when null), on one line.
std::string ModuleErrorText(HMODULE module, std::uint32_t error);

// One value of a profile (INI) file, of any length: "" when the file, section or key is
// missing. Section and key match without regard to case; the reader removes one pair of
// double quotes enclosing the whole value.
std::string ReadProfileString(const std::string& file, const std::string& section,
                              const std::string& key);

// The local computer name (at most 15 characters), or "" when it cannot be read.
std::string LocalComputerName();

// One registry value as text: REG_SZ, REG_EXPAND_SZ (expanded) or REG_DWORD (decimal), of
// any length; not found when the key or value is missing, of another type, or empty. The key
// is opened for reading only.
std::optional<std::string> ReadRegistryValue(HKEY root, const std::string& path,
                                             const std::string& name);

// Every %NAME% reference expanded from the process's environment ("" when it cannot be).
std::string ExpandEnvironment(const std::string& text);

// A date in the user's short date form, and a time in the user's time form (with or without
// seconds): of `moment`, or of now without one; "" when the platform cannot format them.
std::string ShortDateText(const SYSTEMTIME* moment = nullptr);
std::string TimeText(bool withSeconds, const SYSTEMTIME* moment = nullptr);

}  // namespace zq
