// The socket layer over Winsock: the library for the life of an object, stream sockets,
// notification requests, host look-up without blocking the window, and connecting. Wrappers
// never throw; each returns the platform's result and fills `error` with the Japanese text
// of the socket error when the call failed ("" otherwise).
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/UniqueHandle.h"

namespace zq {

struct SocketTraits {
  using Type = SOCKET;
  static Type Invalid() { return INVALID_SOCKET; }
  static void Close(Type s) { ::closesocket(s); }
};
using UniqueSocket = UniqueAny<SocketTraits>;

// The socket library, started (version 1.1) for the life of the object.
class WinsockStartup {
 public:
  WinsockStartup();
  WinsockStartup(const WinsockStartup&) = delete;
  WinsockStartup& operator=(const WinsockStartup&) = delete;
  ~WinsockStartup();

  // "" when the library started and its record passed StartupCheckText; else why not.
  const std::string& error() const { return error_; }

 private:
  bool started_ = false;
  std::string error_;
};

SOCKET SockCreate(int family, int type, std::string& error);

// Asks for `events` of `socket` as message `message` to `window` (replacing any earlier
// request; the socket becomes non-blocking). False with `error` set when refused.
bool SockSelect(SOCKET socket, HWND window, UINT message, long events, std::string& error);

// The address of a dotted IPv4 text (network byte order); nullopt for any other text.
std::optional<std::uint32_t> DottedAddress(const std::string& host);

// Starts connecting `socket` to address:port; the outcome arrives as FD_CONNECT. False with
// `error` set when the platform refuses at once.
bool SockConnectAsync(SOCKET socket, std::uint32_t address, std::uint16_t port, std::string& error);

// The local address (network byte order) of a connected socket; 0 when unknown.
std::uint32_t LocalAddressOf(SOCKET socket);

// One host-name look-up that does not block the window: its answer arrives as a message.
class HostLookup {
 public:
  HostLookup() = default;
  HostLookup(const HostLookup&) = delete;
  HostLookup& operator=(const HostLookup&) = delete;
  ~HostLookup() { Cancel(); }

  // Starts looking `host` up; the answer arrives as `message` to `window`. False with `error`
  // set when the request is refused.
  bool Start(HWND window, UINT message, const std::string& host, std::string& error);
  // The first IPv4 address of the answer (`lParam` of the message); nullopt with `error` set
  // when the host was not found.
  std::optional<std::uint32_t> Answer(LPARAM lParam, std::string& error);
  // Drops a request still under way; its answer will not come.
  void Cancel();

 private:
  HANDLE request_ = nullptr;
  std::vector<char> buffer_;
};

}  // namespace zq
