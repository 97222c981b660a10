// Text encoders for Japanese mail: half-width katakana widening, Shift-JIS (CP932) to
// ISO-2022-JP, RFC 2047 encoded words in header lines, header folding and base64.
// Texts are CP932 byte strings; every output of ToIso2022Jp, EncodedWord and the base64
// encoders is 7-bit ASCII.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/StdFile.h"

namespace zq {

inline constexpr std::string_view kEscToJis = "\x1B$B";
inline constexpr std::string_view kEscToAscii = "\x1B(B";
inline constexpr std::size_t kHeaderFoldWidth = 76;    // characters per header line, CR LF apart
inline constexpr std::size_t kBase64LineLength = 76;   // RFC 2045 section 6.8
inline constexpr std::size_t kFileChunkBytes = 32766;  // a multiple of 3

// Half-width katakana (0xA1-0xDF) to full-width; a letter followed by the voiced or
// semi-voiced sound mark becomes one precomposed letter where JIS X 0208 has one
// (ｶﾞ -> ガ, ﾊﾟ -> パ, ｳﾞ -> ヴ), else the letter and the full-width mark.
std::string WidenHalfWidthKana(std::string_view text);

// Normalises a text for the charset choice and the header: half-width katakana are widened
// as WidenHalfWidthKana does (ｶﾞ -> ガ), other single non-ASCII bytes become ".". True when
// the text holds Japanese (half-width katakana or double-byte characters).
bool ScanMailText(std::string& text);

// One Shift-JIS double-byte code to its JIS X 0208 pair, in place; 0x00 0x00 when it has no
// place there (lead bytes 0xF0-0xFC, bad trail bytes).
void SjisPairToJis(std::uint8_t& c1, std::uint8_t& c2);

// CP932 text to ISO-2022-JP: double-byte characters between ESC "$B" and ESC "(B". A code
// without a JIS X 0208 place is sent as the replacement mark 〓; a stray single non-ASCII
// byte and a raw ESC as "?"; half-width katakana are widened one for one.
std::string ToIso2022Jp(std::string_view text);

// "=?ISO-2022-JP?B?" + base64 of the run in ISO-2022-JP + "?=".
std::string EncodedWord(std::string_view run);

// One header field: name + ":" + value + CR LF, in 7-bit ASCII. The value is normalised as
// ScanMailText does; each blank-separated word holding Japanese (or "=?") is sent as
// RFC 2047 encoded words, neighbouring such words together with the blanks between them, so
// a reader decodes exactly the value. Lines are folded only at blanks of plain text and
// between encoded words, each within kHeaderFoldWidth characters (a plain word longer than
// that stays whole).
std::string HeaderField(std::string_view name, std::string_view value);

// True when a header value needs encoded words (non-ASCII bytes, or "=?" that a reader would
// take for the start of one).
bool NeedsEncodedWords(std::string_view value);

// Base64 of the bytes in one piece, "=" padded, no line breaks.
std::string Base64Encode(std::string_view bytes);

// Base64 in lines of 76 characters, each ended by CR LF. Feed bytes in any pieces; the text
// equals that of the whole input at once as long as every piece but the last is a multiple
// of 3 bytes long.
class Base64LineEncoder {
 public:
  // Appends the encoded bytes, with CR LF after every 76 characters.
  void Feed(std::string_view bytes, std::string& out);
  // Appends the last, partial line with its CR LF (nothing for an empty input).
  void Finish(std::string& out);

 private:
  std::size_t column_ = 0;  // characters already on the current line (< 76)
};

// Reads a file in chunks of 32766 bytes and appends its wrapped base64, chunk by chunk.
class FileBase64Stream {
 public:
  enum Result { kMore, kEnd, kError };
  // False when the file cannot be opened for reading.
  bool Open(const std::string& path);
  // Appends the lines of the next chunk; kEnd after the last one (the last line included).
  Result Next(std::string& out);

 private:
  UniqueStdFile file_;
  std::string chunk_;
  Base64LineEncoder encoder_;
};

}  // namespace zq
