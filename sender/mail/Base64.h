// Base64 (RFC 2045): in one piece for SMTP AUTH and encoded words, and in lines of 76
// characters for file parts, which are read from disk chunk by chunk.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "common/StdFile.h"

namespace zq {

inline constexpr std::size_t kBase64LineLength = 76;   // RFC 2045 section 6.8
inline constexpr std::size_t kFileChunkBytes = 32766;  // a multiple of 3

// Base64 of the bytes in one piece, "=" padded, no line breaks.
std::string Base64Encode(std::string_view bytes);
// The bytes of base64 text, line breaks and blanks skipped; nothing for any other character
// or a broken length. "-" and "_" (the URL alphabet) count as "+" and "/".
std::optional<std::string> Base64Decode(std::string_view text);

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
