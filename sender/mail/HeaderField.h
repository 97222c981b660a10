// Header fields of Japanese mail: RFC 2047 encoded words and folding. Values are CP932 byte
// strings; every output is 7-bit ASCII.
//
// All encoded words of one field share one charset, since some readers decode a whole field
// with the charset of its last word. ISO-2022-JP when it carries the value exactly and its
// words can be cut next to an ASCII character: a reader that joins neighbouring words before
// decoding (the WHATWG rule) reads two escape sequences that meet as an error. Otherwise
// UTF-8, cut between whole characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

inline constexpr std::size_t kHeaderFoldWidth = 76;  // characters per header line, CR LF apart

enum class MailCharset { kIso2022Jp, kUtf8 };

// The charset label of `charset` as a Content-Type parameter value.
const char* CharsetLabel(MailCharset charset);

// One encoded word of `run` (ASCII and double-byte characters): "=?ISO-2022-JP?B?...?=" or
// "=?UTF-8?B?...?=" with the base64 of the run in that charset.
std::string EncodedWord(std::string_view run, MailCharset charset = MailCharset::kIso2022Jp);

// `text` (ASCII and double-byte characters) as encoded words of at most `width` characters
// each, in the first charset of ISO-2022-JP and UTF-8 that carries it exactly and can be cut
// so; `charset` tells which.
std::vector<std::string> EncodedWordsOf(std::string_view text, std::size_t width,
                                        MailCharset& charset);

// One header field: name + ":" + value + CR LF, in 7-bit ASCII. The value is normalised as
// ScanMailText does; each blank-separated word holding Japanese (or "=?") is sent as
// encoded words, neighbouring such words together with the blanks between them, so a reader
// decodes exactly the value. Lines are folded only at blanks of plain text and between
// encoded words, each within kHeaderFoldWidth characters (a plain word longer than that stays
// whole).
std::string HeaderField(std::string_view name, std::string_view value);

// True when a header value needs encoded words (non-ASCII bytes, or "=?" that a reader would
// take for the start of one).
bool NeedsEncodedWords(std::string_view value);

}  // namespace zq
