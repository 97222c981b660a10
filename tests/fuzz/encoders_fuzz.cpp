// Fuzz target for the mail text encoders: any bytes as CP932 text. Checks that every output
// meant for the wire is 7-bit, that ISO-2022-JP escapes are balanced with whole JIS pairs in
// between, and that encoded words decode to such text. A broken rule aborts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/Cp932.h"
#include "sender/mail/MailComposition.h"
#include "sender/mail/basSmtp.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool IsSevenBit(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// ASCII outside escapes (no ESC, CR and LF only in ASCII mode); inside ESC "$B" ... ESC "(B"
// only pairs of 0x21-0x7E; every switch to JIS switched back.
bool IsBalancedIso2022Jp(std::string_view text) {
  bool jis = false;
  for (std::size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b >= 0x80) return false;
    if (b == 0x1B) {
      const std::string_view escape = text.substr(i, 3);
      if (escape == zq::kEscToJis && !jis) {
        jis = true;
      } else if (escape == zq::kEscToAscii && jis) {
        jis = false;
      } else {
        return false;
      }
      i += 3;
      continue;
    }
    if (!jis) {
      ++i;
      continue;
    }
    if (i + 1 >= text.size()) return false;
    const auto b2 = static_cast<unsigned char>(text[i + 1]);
    if (b < 0x21 || b > 0x7E || b2 < 0x21 || b2 > 0x7E) return false;
    i += 2;
  }
  return !jis;
}

int Base64Value(char c) {
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t at = kAlphabet.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

std::string Base64Decode(std::string_view text) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    if (c == '=') break;
    const int v = Base64Value(c);
    Require(v >= 0);
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return bytes;
}

// Every encoded word of a header decodes to balanced ISO-2022-JP.
void CheckEncodedWords(std::string_view header) {
  constexpr std::string_view kOpen = "=?ISO-2022-JP?B?";
  for (std::size_t pos = header.find(kOpen); pos != std::string_view::npos;
       pos = header.find(kOpen, pos + 1)) {
    const std::size_t start = pos + kOpen.size();
    const std::size_t end = header.find("?=", start);
    Require(end != std::string_view::npos);
    Require(IsBalancedIso2022Jp(Base64Decode(header.substr(start, end - start))));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string widened = zq::WidenHalfWidthKana(text);
  Require(IsBalancedIso2022Jp(zq::ToIso2022Jp(widened)));
  Require(IsBalancedIso2022Jp(zq::ToIso2022Jp(text)));

  std::string scanned(text);
  zq::ScanMailText(scanned);
  // Only ASCII and whole double-byte characters remain.
  for (std::size_t pos = 0; pos < scanned.size(); pos += zq::Cp932CharLength(scanned, pos)) {
    Require(zq::Cp932CharLength(scanned, pos) == 2 ||
            static_cast<unsigned char>(scanned[pos]) < 0x80);
  }

  // A header field of any text: 7-bit, balanced encoded words, no line of blanks alone,
  // lines within 76 characters unless a plain word or trailing blanks make them longer.
  const std::string field = zq::HeaderField("Subject", zq::WithoutControlCharacters(text));
  Require(IsSevenBit(field));
  CheckEncodedWords(field);
  for (std::size_t pos = 0, end; (end = field.find("\r\n", pos)) != std::string::npos;
       pos = end + 2) {
    std::string_view line = std::string_view(field).substr(pos, end - pos);
    Require(line.find_first_not_of(' ') != std::string_view::npos);
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    Require(line.size() <= 76 || line.find("=?") == std::string_view::npos);
  }
  return 0;
}
