// Name parameters of file parts.
#include "sender/mail/AttachmentName.h"

#include <vector>

#include "sender/mail/Cp932Unicode.h"
#include "sender/mail/HeaderField.h"
#include "sender/mail/JapaneseText.h"
#include "sender/mail/MailAddress.h"

namespace zq {
namespace {

constexpr std::size_t kSectionWidth = 60;  // percent-encoded characters per section
constexpr std::size_t kWordWidth = 75;     // characters per encoded word

bool IsAttributeChar(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
}

// The percent-encoded UTF-8 of `name`, cut into sections between whole characters.
std::vector<std::string> Rfc2231Sections(std::string_view utf8) {
  std::vector<std::string> sections(1);
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::size_t length = 1;  // one UTF-8 character: its lead byte and the 10xxxxxx after it
    while (pos + length < utf8.size() &&
           (static_cast<unsigned char>(utf8[pos + length]) & 0xC0) == 0x80) {
      ++length;
    }
    const std::string piece = PercentEncoded(utf8.substr(pos, length));
    if (sections.back().size() + piece.size() > kSectionWidth) sections.emplace_back();
    sections.back() += piece;
    pos += length;
  }
  return sections;
}

}  // namespace

std::string PercentEncoded(std::string_view utf8) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (IsAttributeChar(b)) {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

std::string AttachmentNameParameters(std::string_view attribute, std::string_view fileName) {
  std::string name = WithoutControlCharacters(fileName);
  const std::string plain(attribute);
  if (!ScanMailText(name)) return plain + "=\"" + name + "\"";
  const std::vector<std::string> sections = Rfc2231Sections(Utf8OfCp932(name));
  std::string text;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    text +=
        plain + "*" + std::to_string(i) + "*=" + (i == 0 ? "UTF-8''" : "") + sections[i] + ";\r\n ";
  }
  MailCharset charset = MailCharset::kIso2022Jp;
  std::string words;
  for (const std::string& word : EncodedWordsOf(name, kWordWidth, charset)) {
    if (!words.empty()) words += ' ';
    words += word;
  }
  return text + plain + "=\"" + words + "\"";
}

}  // namespace zq
