// The sender's title and message boxes, behind the show-messages switch, and the number rule
// that switch is read with.
#pragma once

#include <string>
#include <string_view>

namespace zq {

inline constexpr char kPelmoraTitle[] = "zqPelmora";

// Show-messages switch: message boxes of the sender appear only while its numeric value is 1.
// A report run sets it to "0" before mail delivery and never to "1".
extern std::string g_showMessages;
bool MessagesShown();

// Shows a box with the sender's title when messages are shown; otherwise answers OK at once.
int PelmoraMessage(const std::string& text, unsigned style);

// The numeric value of the leading decimal number in a text: blanks skipped, optional sign,
// digits and fraction; 0 when there is none.
double LeadingNumber(std::string_view text);

}  // namespace zq
