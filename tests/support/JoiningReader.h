// A mail reader that joins neighbouring encoded words of one charset before decoding them
// and decodes ISO-2022-JP by the WHATWG rule (two escape sequences with nothing between are
// an error). Decodes a header field's value, or a body, to UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sender/mail/Cp932Unicode.h"

namespace zq::test {

struct ReadText {
  std::string utf8;
  bool error = false;    // a bad escape, bad base64 or a broken pair: the reader shows U+FFFD
  std::string charsets;  // the charsets of the field's encoded words, "," separated
};

// A u8"" literal as the bytes it holds (narrow literals here are CP932).
inline std::string Utf8(std::u8string_view text) {
  return std::string(reinterpret_cast<const char*>(text.data()), text.size());
}

inline int Base64Digit(char c) {
  constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t at = kAlphabet.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

inline std::string Base64Decoded(std::string_view text, bool& error) {
  std::string bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (const char c : text) {
    if (c == '=' || c == '\r' || c == '\n') continue;
    const int v = Base64Digit(c);
    if (v < 0) error = true;
    bits = (bits << 6) | static_cast<std::uint32_t>(v < 0 ? 0 : v);
    count += 6;
    if (count >= 8) bytes += static_cast<char>((bits >> (count -= 8)) & 0xFF);
  }
  return bytes;
}

// ISO-2022-JP bytes to UTF-8 by the WHATWG decoder's rules for ESC $ B and ESC ( B.
inline void AppendIso2022Jp(std::string_view bytes, ReadText& out) {
  bool jis = false, escapeLast = false;
  for (std::size_t i = 0; i < bytes.size();) {
    if (bytes[i] == 0x1B) {
      const std::string_view escape = bytes.substr(i, 3);
      if ((escape != "\x1B$B" && escape != "\x1B(B") || escapeLast) out.error = true;
      jis = escape == "\x1B$B";
      escapeLast = true;
      i += 3;
      continue;
    }
    escapeLast = false;
    if (!jis) {
      out.utf8 += bytes[i++];
      continue;
    }
    if (i + 1 >= bytes.size()) {
      out.error = true;
      break;
    }
    const int j1 = static_cast<unsigned char>(bytes[i]),
              j2 = static_cast<unsigned char>(bytes[i + 1]);
    const int s1 = (j1 + 1) / 2 + (j1 <= 0x5E ? 0x70 : 0xB0);
    const int s2 = j2 + ((j1 & 1) != 0 ? (j2 >= 0x60 ? 0x20 : 0x1F) : 0x7E);
    const char pair[] = {static_cast<char>(s1), static_cast<char>(s2)};
    const char32_t c = UnicodeOfCp932(std::string_view(pair, 2));
    if (c == kNoCharacter) out.error = true;
    AppendUtf8(c, out.utf8);
    i += 2;
  }
  if (jis) out.error = true;  // never switched back
}

// The value of one header field ("Name: value" with its folds) as the joining reader reads it.
inline ReadText ReadField(std::string_view field) {
  std::string value(field.substr(field.find(':') + 1));
  for (std::size_t at; (at = value.find("\r\n")) != std::string::npos;) value.erase(at, 2);
  ReadText out;
  std::string pendingCharset, pendingBytes, gap;
  auto flush = [&] {
    if (pendingCharset == "ISO-2022-JP")
      AppendIso2022Jp(pendingBytes, out);
    else
      out.utf8 += pendingBytes;
    pendingCharset.clear();
    pendingBytes.clear();
  };
  for (std::size_t pos = 0; pos < value.size();) {
    const std::size_t open = value.find("=?", pos);
    const std::size_t q1 = open == std::string::npos ? open : value.find("?B?", open + 2);
    const std::size_t close = q1 == std::string::npos ? q1 : value.find("?=", q1 + 3);
    const std::size_t textEnd = close == std::string::npos ? value.size() : open;
    gap += value.substr(pos, textEnd - pos);
    if (textEnd == value.size()) break;
    const std::string charset = value.substr(open + 2, q1 - open - 2);
    const bool blanksOnly = gap.find_first_not_of(" \t") == std::string::npos;
    if (!blanksOnly || charset != pendingCharset) flush();
    if (!blanksOnly) out.utf8 += gap;  // blanks between encoded words are dropped
    gap.clear();
    pendingCharset = charset;
    pendingBytes += Base64Decoded(value.substr(q1 + 3, close - q1 - 3), out.error);
    if (out.charsets.find(charset) == std::string::npos) {
      out.charsets += (out.charsets.empty() ? "" : ",") + charset;
    }
    pos = close + 2;
  }
  flush();
  out.utf8 += gap;
  return out;
}

}  // namespace zq::test
