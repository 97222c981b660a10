// The console's title and its message boxes.
#pragma once

#include <string>

namespace zq {

inline constexpr char kTervaskTitle[] = "zqTervask";

// Every message box of the console: titled zqTervask, style as the platform takes it.
int TervaskMessage(const std::string& text, unsigned style);

}  // namespace zq
