// Fuzz target for the mail text encoders: any bytes as CP932 text. Checks that every output
// meant for the wire is 7-bit, that ISO-2022-JP of an exact text has balanced escapes with
// whole JIS pairs in between, and that a reader joining neighbouring encoded words reads exactly
// the text, in one charset, with no two escape sequences meeting. A broken rule aborts.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/Cp932.h"
#include "sender/mail/HeaderField.h"
#include "sender/mail/JapaneseText.h"
#include "sender/mail/MailAddress.h"
#include "tests/support/JoiningReader.h"

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

// Balanced ISO-2022-JP: escapes only to JIS and back, whole pairs of assigned codes between,
// back in ASCII at the end.
bool IsBalancedIso2022Jp(std::string_view text) {
  zq::test::ReadText read;
  zq::test::AppendIso2022Jp(text, read);
  return IsSevenBit(text) && !read.error;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  // Any text goes out 7-bit; one that ISO-2022-JP carries exactly reads back without error.
  const std::string widened = zq::WidenHalfWidthKana(text);
  Require(IsSevenBit(zq::ToIso2022Jp(text)));
  if (zq::IsJisX0208Text(widened)) Require(IsBalancedIso2022Jp(zq::ToIso2022Jp(widened)));

  std::string scanned(text);
  zq::ScanMailText(scanned);
  // Only ASCII and whole double-byte characters remain.
  for (std::size_t pos = 0; pos < scanned.size(); pos += zq::Cp932CharLength(scanned, pos)) {
    Require(zq::Cp932CharLength(scanned, pos) == 2 ||
            static_cast<unsigned char>(scanned[pos]) < 0x80);
  }

  // A header field of any text: 7-bit, read back exactly in one charset, no line of blanks
  // alone, lines within 76 characters unless a plain word or trailing blanks make them longer.
  const std::string value = zq::WithoutControlCharacters(text);
  const std::string field = zq::HeaderField("Subject", value);
  Require(IsSevenBit(field));
  const zq::test::ReadText read = zq::test::ReadField(field);
  std::string expected = value;
  zq::ScanMailText(expected);
  Require(!read.error && read.utf8 == zq::Utf8OfCp932(expected));
  Require(read.charsets.find(',') == std::string::npos);
  for (std::size_t pos = 0, end; (end = field.find("\r\n", pos)) != std::string::npos;
       pos = end + 2) {
    std::string_view line = std::string_view(field).substr(pos, end - pos);
    Require(line.find_first_not_of(' ') != std::string_view::npos);
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    Require(line.size() <= 76 || line.find("=?") == std::string_view::npos);
  }
  return 0;
}
