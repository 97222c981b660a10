// CP932 to Unicode through the compiled-in table of double-byte codes.
#include "sender/mail/Cp932Unicode.h"

#include <array>
#include <cstdint>

#include "common/Cp932.h"

namespace zq {
namespace {

constexpr std::size_t kTrailCount = 188;  // 0x40-0x7E and 0x80-0xFC

struct LeadRow {
  std::uint8_t lead;
  const char16_t* oddRow;   // trail bytes 0x40-0x9E
  const char16_t* evenRow;  // trail bytes 0x9F-0xFC
};

constexpr LeadRow kRows[] = {
#include "sender/mail/Cp932Table.inc"
};

// The table row of each lead byte, nullptr where none is listed.
const std::array<const LeadRow*, 256>& RowsByLead() {
  static const std::array<const LeadRow*, 256> rows = [] {
    std::array<const LeadRow*, 256> byLead{};
    for (const LeadRow& row : kRows) byLead[row.lead] = &row;
    return byLead;
  }();
  return rows;
}

int TrailIndex(std::uint8_t trail) {
  if (trail >= 0x40 && trail <= 0x7E) return trail - 0x40;
  if (trail >= 0x80 && trail <= 0xFC) return trail - 0x41;
  return -1;
}

char32_t DoubleByte(std::uint8_t lead, std::uint8_t trail) {
  const int index = TrailIndex(trail);
  if (index < 0) return kNoCharacter;
  if (lead >= 0xF0 && lead <= 0xF9) {  // user-defined area, U+E000 on
    return 0xE000 + static_cast<char32_t>((lead - 0xF0) * kTrailCount + index);
  }
  const LeadRow* row = RowsByLead()[lead];
  if (row == nullptr) return kNoCharacter;
  return index < 94 ? row->oddRow[index] : row->evenRow[index - 94];
}

}  // namespace

char32_t UnicodeOfCp932(std::string_view character) {
  if (character.empty()) return kNoCharacter;
  const auto b = static_cast<std::uint8_t>(character[0]);
  if (character.size() >= 2) return DoubleByte(b, static_cast<std::uint8_t>(character[1]));
  if (b < 0x80) return b;
  if (b >= 0xA1 && b <= 0xDF) return 0xFF61 + (b - 0xA1);  // half-width katakana
  return kNoCharacter;
}

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf8OfCp932(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 3 / 2 + 8);
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    const char32_t c = UnicodeOfCp932(text.substr(pos, length));
    AppendUtf8(c == kNoCharacter ? kGetaMark : c, out);
    pos += length;
  }
  return out;
}

}  // namespace zq
