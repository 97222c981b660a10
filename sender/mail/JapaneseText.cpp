// Japanese mail text: half-width katakana, ISO-2022-JP and what it can carry.
#include "sender/mail/JapaneseText.h"

#include "common/Cp932.h"
#include "sender/mail/Cp932Unicode.h"

namespace zq {
namespace {

// Full-width forms of the half-width characters 0xA1 to 0xDF, two CP932 bytes each.
constexpr char kFullWidthKana[] =
    "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
    "マミムメモヤユヨラリルレロワン゛゜";
static_assert(sizeof(kFullWidthKana) == 63 * 2 + 1, "one pair per half-width character");

constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kVoicedMark = 0xDE;      // ﾞ
constexpr std::uint8_t kSemiVoicedMark = 0xDF;  // ﾟ
constexpr char kVu[] = "ヴ";
constexpr char kReplacementJis[] = "\x22\x2E";  // 〓 in JIS X 0208

bool IsHalfWidthKana(std::uint8_t b) { return b >= 0xA1 && b <= 0xDF; }

std::string_view FullWidth(std::uint8_t halfWidth) {
  return std::string_view(kFullWidthKana + 2 * (halfWidth - 0xA1), 2);
}

// A half-width letter and a following sound mark as full-width text.
void AppendWidenedPair(std::uint8_t letter, std::uint8_t mark, std::string& out) {
  const bool kaToTo = letter >= 0xB6 && letter <= 0xC4;  // ｶ ... ﾄ
  const bool haToHo = letter >= 0xCA && letter <= 0xCE;  // ﾊ ... ﾎ
  int step = 0;
  if (mark == kVoicedMark && (kaToTo || haToHo)) step = 1;
  if (mark == kSemiVoicedMark && haToHo) step = 2;
  if (step > 0) {
    // In CP932 the voiced and semi-voiced letters follow their plain letter.
    std::string_view plain = FullWidth(letter);
    out += plain[0];
    out += static_cast<char>(static_cast<std::uint8_t>(plain[1]) + step);
  } else if (letter == 0xB3 && mark == kVoicedMark) {  // ｳﾞ
    out += kVu;
  } else {
    out.append(FullWidth(letter)).append(FullWidth(mark));
  }
}

std::uint8_t ByteAt(std::string_view text, std::size_t pos) {
  return static_cast<std::uint8_t>(text[pos]);
}

bool IsAscii(std::uint8_t b) { return b < 0x80; }

}  // namespace

std::string WidenHalfWidthKana(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 2);
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    const std::uint8_t b = ByteAt(text, pos);
    if (length == 1 && IsHalfWidthKana(b)) {
      const std::uint8_t next = pos + 1 < text.size() ? ByteAt(text, pos + 1) : 0;
      if (next == kVoicedMark || next == kSemiVoicedMark) {
        AppendWidenedPair(b, next, out);
        pos += 2;
      } else {
        out.append(FullWidth(b));
        ++pos;
      }
      continue;
    }
    out.append(text.substr(pos, length));
    pos += length;
  }
  return out;
}

bool ScanMailText(std::string& text) {
  const std::string widened = WidenHalfWidthKana(text);
  bool japanese = false;
  std::string out;
  out.reserve(widened.size());
  for (std::size_t pos = 0; pos < widened.size();) {
    const std::size_t length = Cp932CharLength(widened, pos);
    const std::uint8_t b = ByteAt(widened, pos);
    if (length == 2) {
      out.append(widened, pos, 2);
      japanese = true;
    } else {
      out += IsAscii(b) ? static_cast<char>(b) : '.';
    }
    pos += length;
  }
  text.swap(out);
  return japanese;
}

void SjisPairToJis(std::uint8_t& c1, std::uint8_t& c2) {
  int d = 0;
  if (c1 >= 0x81 && c1 <= 0x9F) {
    d = c1 - 0x81;
  } else if (c1 >= 0xE0 && c1 <= 0xEF) {
    d = c1 - 0xC1;
  } else {
    c1 = c2 = 0;
    return;
  }
  int k = 0;
  if (c2 >= 0x40 && c2 <= 0x7E) {
    k = c2 - 0x3F;
  } else if (c2 >= 0x80 && c2 <= 0xFC) {
    k = c2 - 0x40;
  } else {
    c1 = c2 = 0;
    return;
  }
  int j = 2 * d + 1;
  if (k > 94) {
    k -= 94;
    ++j;
  }
  c1 = static_cast<std::uint8_t>(j + 0x20);
  c2 = static_cast<std::uint8_t>(k + 0x20);
}

namespace {

void AppendIso2022Jp(std::string_view text, std::string& out) {
  bool jis = false;
  auto toAscii = [&] {
    if (jis) out.append(kEscToAscii);
    jis = false;
  };
  auto appendJis = [&](std::uint8_t c1, std::uint8_t c2) {
    if (!jis) out.append(kEscToJis);
    jis = true;
    SjisPairToJis(c1, c2);
    if (c1 == 0) {
      out.append(kReplacementJis);
    } else {
      out += static_cast<char>(c1);
      out += static_cast<char>(c2);
    }
  };
  const std::size_t size = text.size();
  for (std::size_t pos = 0; pos < size;) {
    const std::uint8_t b = ByteAt(text, pos);
    if (IsAscii(b)) {
      toAscii();
      // Copy the whole ASCII stretch at once; a raw ESC would switch the reader's character
      // set, so it goes out as "?".
      std::size_t end = pos;
      while (end < size && IsAscii(ByteAt(text, end)) && ByteAt(text, end) != kEsc) ++end;
      out.append(text.substr(pos, end - pos));
      if (end < size && ByteAt(text, end) == kEsc) out += '?', ++end;
      pos = end;
      continue;
    }
    if (Cp932CharLength(text, pos) == 2) {
      appendJis(b, ByteAt(text, pos + 1));
      pos += 2;
    } else if (IsHalfWidthKana(b)) {
      const std::string_view full = FullWidth(b);
      appendJis(static_cast<std::uint8_t>(full[0]), static_cast<std::uint8_t>(full[1]));
      ++pos;
    } else {
      toAscii();
      out += '?';
      ++pos;
    }
  }
  toAscii();
}

}  // namespace

std::string ToIso2022Jp(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);
  AppendIso2022Jp(text, out);
  return out;
}

bool IsJisX0208Text(std::string_view text) {
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    const std::uint8_t b = ByteAt(text, pos);
    if (length == 1) {
      if (!IsAscii(b)) return false;
    } else {
      std::uint8_t c1 = b, c2 = ByteAt(text, pos + 1);
      SjisPairToJis(c1, c2);
      // Rows 1-8 and 16-84 are JIS X 0208; CP932 puts its NEC and IBM additions in 13 and
      // 89-92, and its user-defined area beyond 94.
      const int row = c1 - 0x20;
      const bool jisRow = (row >= 1 && row <= 8) || (row >= 16 && row <= 84);
      if (c1 == 0 || !jisRow || UnicodeOfCp932(text.substr(pos, 2)) == kNoCharacter) return false;
    }
    pos += length;
  }
  return true;
}

}  // namespace zq
