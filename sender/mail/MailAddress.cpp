// Addresses and header inputs made safe for the wire.
#include "sender/mail/MailAddress.h"

#include "common/Cp932.h"

namespace zq {

std::string WithoutControlCharacters(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 0x20 && b != 0x7F) || b == '\t') clean += c;
  }
  return clean;
}

std::vector<std::string> RecipientsOf(std::string_view recipients) {
  std::vector<std::string> list;
  for (;;) {
    const std::size_t separator = recipients.find(';');
    const std::string_view one = TrimBlanks(recipients.substr(0, separator));
    if (!one.empty()) list.emplace_back(one);
    if (separator == std::string_view::npos) return list;
    recipients.remove_prefix(separator + 1);
  }
}

}  // namespace zq
