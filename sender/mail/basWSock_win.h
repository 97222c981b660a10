// The socket layer over Winsock: library start-up and release, stream sockets, host
// addresses, the asynchronous connect and the notification request. Wrappers never throw;
// each returns the platform's result and fills `error` with the Japanese text of the last
// socket error when the call failed ("" otherwise).
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <string>

#include "common/UniqueHandle.h"

namespace zq {

struct SocketTraits {
  using Type = SOCKET;
  static Type Invalid() { return INVALID_SOCKET; }
  static void Close(Type s) { ::closesocket(s); }
};
using UniqueSocket = UniqueAny<SocketTraits>;

// WSAStartup asking for version 1.1, then the record check (StartupCheckText).
int SockStartup(std::string& error);
int SockCleanup(std::string& error);
SOCKET SockCreate(int family, int type, std::string& error);
int SockClose(SOCKET socket, std::string& error);

// The IPv4 address (network byte order) of a dotted address or a host name; INADDR_NONE
// when it is neither.
std::uint32_t ResolveHostAddress(const std::string& host);

// Asks for `events` of `socket` as message `message` to `window` (replacing any earlier
// request; the socket becomes non-blocking). False with `error` set when refused.
bool SockSelect(SOCKET socket, HWND window, UINT message, long events, std::string& error);

// Starts connecting `socket` to host:port; the outcome arrives as FD_CONNECT. False with
// `error` set when the host cannot be resolved or the platform refuses at once.
bool SockConnectAsync(SOCKET socket, sockaddr_in& address, const std::string& host,
                      std::uint16_t port, std::string& error);

}  // namespace zq
