// Helpers for CP932 (Shift-JIS) byte strings: character boundaries, blank trimming, padding.
// A trail byte can look like ASCII ('\\', '|', letters), so these never split a double-byte pair.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zq {

// True for a byte that starts a double-byte character in code page 932.
constexpr bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for a byte that can follow a lead byte in code page 932.
constexpr bool IsCp932TrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// Length in bytes of the character starting at text[pos]: 2 for a lead byte followed by a
// trail byte, else 1 (a lead byte at the end or before a non-trail byte stands alone, so a
// broken pair never swallows a CR, an LF or an ASCII letter).
std::size_t Cp932CharLength(std::string_view text, std::size_t pos);

// The text cut or filled with blanks to exactly `width` characters.
std::string Cp932FitWidth(std::string_view text, std::size_t width);

// True when `needle` occurs in `text` starting at a character boundary, so a trail byte that
// looks like an ASCII letter never matches.
bool Cp932Contains(std::string_view text, std::string_view needle);

// The position of the last character that is one of `separators` (single bytes such as "\\"),
// never a trail byte of a double-byte pair; npos when there is none.
std::size_t Cp932FindLast(std::string_view text, std::string_view separators);

// The text with ASCII letters upper-cased; double-byte characters, whose trail byte may look
// like a letter, stay as they are.
std::string Cp932AsciiUpper(std::string_view text);
// The same, lower-cased.
std::string Cp932AsciiLower(std::string_view text);

// The text without leading and trailing blanks (ASCII space only; tabs stay).
std::string_view TrimBlanks(std::string_view text);

}  // namespace zq
