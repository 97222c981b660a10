// CP932 character-boundary helpers.
#include "common/Cp932.h"

namespace zq {

std::size_t Cp932CharLength(std::string_view text, std::size_t pos) {
  if (pos + 1 < text.size() && IsCp932LeadByte(static_cast<unsigned char>(text[pos])) &&
      IsCp932TrailByte(static_cast<unsigned char>(text[pos + 1]))) {
    return 2;
  }
  return 1;
}

std::string Cp932FitWidth(std::string_view text, std::size_t width) {
  std::size_t pos = 0;
  std::size_t chars = 0;
  while (chars < width && pos < text.size()) {
    pos += Cp932CharLength(text, pos);
    ++chars;
  }
  std::string fitted(text.substr(0, pos));
  fitted.append(width - chars, ' ');
  return fitted;
}

bool Cp932Contains(std::string_view text, std::string_view needle) {
  for (std::size_t pos = 0; pos + needle.size() <= text.size(); pos += Cp932CharLength(text, pos)) {
    if (text.compare(pos, needle.size(), needle) == 0) return true;
  }
  return false;
}

std::size_t Cp932FindLast(std::string_view text, std::string_view separators) {
  std::size_t last = std::string_view::npos;
  for (std::size_t pos = 0; pos < text.size(); pos += Cp932CharLength(text, pos)) {
    if (Cp932CharLength(text, pos) == 1 && separators.find(text[pos]) != std::string_view::npos) {
      last = pos;
    }
  }
  return last;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

namespace {

// ASCII letters from `from` to `from` + 25 moved by `shift`; double-byte characters, whose
// trail byte may look like a letter, stay as they are.
std::string Cp932AsciiShifted(std::string_view text, char from, int shift) {
  std::string folded(text);
  for (std::size_t i = 0; i < folded.size();) {
    const std::size_t length = Cp932CharLength(folded, i);
    char& c = folded[i];
    if (length == 1 && c >= from && c <= from + 25) c = static_cast<char>(c + shift);
    i += length;
  }
  return folded;
}

}  // namespace

std::string Cp932AsciiUpper(std::string_view text) {
  return Cp932AsciiShifted(text, 'a', 'A' - 'a');
}

std::string Cp932AsciiLower(std::string_view text) {
  return Cp932AsciiShifted(text, 'A', 'a' - 'A');
}

}  // namespace zq
