// The socket layer's texts, portable: the Japanese texts of socket error codes, the start-up
// record check and port texts. The Winsock calls themselves are in Socket_win.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zq {

// The Japanese one-line text of a socket error code; "(" + code + ")" for codes outside
// the table.
std::string WSockErrorText(std::int32_t code);

int HiByteOf(std::uint16_t value);
int LoByteOf(std::uint16_t value);

// The start-up check of the library's record: "" when version 1.1 or later and at least
// one socket is supported, else the text that says what is missing.
std::string StartupCheckText(std::uint16_t version, std::int16_t maxSockets);

// The port number of a port text: blanks around allowed; "" means 25; nullopt when the text
// is not a number from 1 to 65535.
std::optional<std::uint16_t> PortNumberOf(std::string_view text);

}  // namespace zq
