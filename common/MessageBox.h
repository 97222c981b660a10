// The message-box seam: every box of a program goes through ShowMessageBox, so tests can
// swap in a recorder (which also answers Yes/No) and no test ever blocks on a box.
#pragma once

#include <string>

namespace zq {

// Style bits, as the platform's message-box call takes them.
enum MessageBoxStyle : unsigned {
  kMbOk = 0,
  kMbYesNo = 4,
  kMbQuestion = 32,
  kMbExclamation = 48,
  kMbInformation = 64,
  kMbDefaultButton2 = 256,
};

// Answers, as the platform returns them.
enum MessageBoxAnswer : int { kIdOk = 1, kIdYes = 6, kIdNo = 7 };

using MessageBoxFunction = int (*)(const std::string& text, const std::string& title,
                                   unsigned style);

// Replaces the function that shows boxes; returns the previous one (nullptr: the platform's).
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function);

// Shows a box through the current function and returns its answer.
int ShowMessageBox(const std::string& text, const std::string& title, unsigned style);

// The platform's box (MessageBoxA on Windows; answers OK where there is no platform box).
int PlatformMessageBox(const std::string& text, const std::string& title, unsigned style);

}  // namespace zq
