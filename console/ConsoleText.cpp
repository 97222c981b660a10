// Small texts of the console: paths, times, numbers.
#include "console/ConsoleText.h"

#include <vector>

#include "common/Cp932.h"

namespace zq {

namespace {

constexpr std::string_view kFullWidthColon = "：";
constexpr std::string_view kFullWidthZero = "０";

// The digit value of one CP932 character (ASCII or full-width digit), -1 for a blank, -2 for
// anything else.
int DigitOf(std::string_view character) {
  if (character == " ") return -1;
  if (character.size() == 1 && character[0] >= '0' && character[0] <= '9')
    return character[0] - '0';
  // Full-width digits are 0x82 0x4F ... 0x82 0x58.
  if (character.size() == 2 && character[0] == kFullWidthZero[0]) {
    const int value =
        static_cast<unsigned char>(character[1]) - static_cast<unsigned char>(kFullWidthZero[1]);
    if (value >= 0 && value <= 9) return value;
  }
  return -2;
}

// A two-character field: two digits, or one digit beside one blank; -1 otherwise.
int FieldValue(std::string_view first, std::string_view second) {
  const int a = DigitOf(first);
  const int b = DigitOf(second);
  if (a >= 0 && b >= 0) return a * 10 + b;
  if (a == -1 && b >= 0) return b;
  if (a >= 0 && b == -1) return a;
  return -1;
}

}  // namespace

std::string PathInDirectory(std::string_view directory, std::string_view name) {
  std::string path(directory);
  // A trail byte can be 0x5C: only a backslash that is a character of its own counts.
  if (path.empty() || Cp932FindLast(path, "\\") != path.size() - 1) path += '\\';
  return path.append(name);
}

std::string NormalizeTimeText(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = Cp932CharLength(text, pos);
    characters.push_back(text.substr(pos, length));
    pos += length;
  }
  if (characters.size() != 5) return {};
  if (characters[2] != ":" && characters[2] != kFullWidthColon) return {};
  const int hours = FieldValue(characters[0], characters[1]);
  const int minutes = FieldValue(characters[3], characters[4]);
  if (hours < 0 || minutes < 0) return {};
  const int h = hours + minutes / 60;
  const int m = minutes % 60;
  if (h >= 24) return {};
  return std::string{static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
                     static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)};
}

std::string GroupedThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

}  // namespace zq
