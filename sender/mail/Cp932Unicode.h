// CP932 text as Unicode, mapped as Windows maps it (the wave dash 0x8160 to U+FF5E, the minus
// 0x817C to U+FF0D, 0x5C to U+005C, NEC and IBM duplicates to the same character), for mail
// parts that go out in UTF-8. Portable: the table is compiled in.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zq {

inline constexpr char32_t kNoCharacter = 0xFFFD;
inline constexpr char32_t kGetaMark = 0x3013;  // 〓, what a code without a character becomes

// The character of one CP932 character (`character` holds its one or two bytes): ASCII,
// half-width katakana, double-byte and user-defined codes; kNoCharacter for a code without
// one (single bytes 0x80, 0xA0, 0xFD-0xFF, unassigned pairs).
char32_t UnicodeOfCp932(std::string_view character);

// The number of UTF-8 bytes of `c`.
constexpr std::size_t Utf8LengthOf(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Appends the UTF-8 bytes of `c`.
void AppendUtf8(char32_t c, std::string& out);

// The text in UTF-8; a code without a character becomes 〓.
std::string Utf8OfCp932(std::string_view text);

}  // namespace zq
