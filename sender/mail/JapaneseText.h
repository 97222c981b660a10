// Japanese text for mail: half-width katakana widening, Shift-JIS (CP932) to ISO-2022-JP,
// and whether ISO-2022-JP carries a text exactly. Texts are CP932 byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zq {

inline constexpr std::string_view kEscToJis = "\x1B$B";
inline constexpr std::string_view kEscToAscii = "\x1B(B";

// Half-width katakana (0xA1-0xDF) to full-width; a letter followed by the voiced or
// semi-voiced sound mark becomes one precomposed letter where JIS X 0208 has one
// (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ), else the letter and the full-width mark.
std::string WidenHalfWidthKana(std::string_view text);

// Normalises a text for the charset choice and the header: half-width katakana are widened
// as WidenHalfWidthKana does (ｶﾞ -> ガ), other single non-ASCII bytes become ".". True when
// the text holds Japanese (half-width katakana or double-byte characters).
bool ScanMailText(std::string& text);

// One Shift-JIS double-byte code to its JIS pair, in place, by arithmetic (CP932's rows
// beyond JIS X 0208 included); 0x00 0x00 for lead bytes 0xF0-0xFC and bad trail bytes.
void SjisPairToJis(std::uint8_t& c1, std::uint8_t& c2);

// CP932 text to ISO-2022-JP: double-byte characters between ESC "$B" and ESC "(B". A code
// without a JIS place is sent as the replacement mark 〓; a stray single non-ASCII byte and a
// raw ESC as "?"; half-width katakana are widened one for one.
std::string ToIso2022Jp(std::string_view text);

// True when ISO-2022-JP carries `text` exactly: every character is ASCII or one of JIS X
// 0208 (no half-width katakana, NEC or IBM additions, user-defined or unassigned codes).
bool IsJisX0208Text(std::string_view text);

}  // namespace zq
