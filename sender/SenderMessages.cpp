// The sender's message boxes and the show-messages switch.
#include "sender/SenderMessages.h"

#include <cstdlib>

#include "common/MessageBox.h"

namespace zq {

std::string g_showMessages;

bool MessagesShown() { return LeadingNumber(g_showMessages) == 1.0; }

int PelmoraMessage(const std::string& text, unsigned style) {
  if (!MessagesShown()) return kIdOk;
  return ShowMessageBox(text, kPelmoraTitle, style);
}

double LeadingNumber(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  std::string number;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) number += text[pos++];
  bool seenPoint = false;
  for (; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c >= '0' && c <= '9') {
      number += c;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
      number += c;
    } else {
      break;
    }
  }
  return std::strtod(number.c_str(), nullptr);
}

}  // namespace zq
