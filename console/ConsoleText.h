// Small texts of the console: a path in a directory, a typed time, a grouped number. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zq {

// `name` in `directory`, with one backslash between them (none doubled at a drive root).
std::string PathInDirectory(std::string_view directory, std::string_view name);

// A time of day as typed, to "hh:mm"; "" when it is not one. Exactly five CP932 characters:
// two for the hours, ":" or "：", two for the minutes; each field is two digits or one digit
// beside one blank (full-width digits count as digits); minutes over 59 carry into the hours;
// 24 hours or more, signs, points and anything else give "".
std::string NormalizeTimeText(std::string_view text);

// A count with its thousands separated by commas: 523760 -> "523,760".
std::string GroupedThousands(std::uint64_t value);

}  // namespace zq
