// Mail inputs made safe for the wire: control characters dropped, recipient lists split.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zq {

// The text without CR, LF and the other control characters but TAB (NUL, ESC, DEL...), so
// no input can start a header field or an SMTP command, or switch a reader's character set.
std::string WithoutControlCharacters(std::string_view text);

// The recipients of the recipient input: split at ";", blanks trimmed, empty ones skipped.
std::vector<std::string> RecipientsOf(std::string_view recipients);

}  // namespace zq
