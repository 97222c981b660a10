// Winsock calls of the socket layer.
#include "sender/mail/Socket_win.h"

#include <cstring>

#include "sender/mail/SocketText.h"

namespace zq {
namespace {

std::string LastErrorText() { return WSockErrorText(::WSAGetLastError()); }

}  // namespace

WinsockStartup::WinsockStartup() {
  WSADATA record{};
  const int result = ::WSAStartup(MAKEWORD(1, 1), &record);
  if (result != 0) {
    error_ = WSockErrorText(result);
    return;
  }
  started_ = true;
  error_ = StartupCheckText(record.wVersion, static_cast<std::int16_t>(record.iMaxSockets));
}

WinsockStartup::~WinsockStartup() {
  if (started_) ::WSACleanup();
}

SOCKET SockCreate(int family, int type, std::string& error) {
  error.clear();
  const SOCKET s = ::socket(family, type, 0);
  if (s == INVALID_SOCKET) error = LastErrorText();
  return s;
}

bool SockSelect(SOCKET socket, HWND window, UINT message, long events, std::string& error) {
  error.clear();
  if (::WSAAsyncSelect(socket, window, message, events) == SOCKET_ERROR) {
    error = LastErrorText();
    return false;
  }
  return true;
}

std::optional<std::uint32_t> DottedAddress(const std::string& host) {
  const unsigned long address = ::inet_addr(host.c_str());
  if (address == INADDR_NONE) return std::nullopt;
  return static_cast<std::uint32_t>(address);
}

bool SockConnectAsync(SOCKET socket, std::uint32_t address, std::uint16_t port,
                      std::string& error) {
  error.clear();
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = ::htons(port);
  target.sin_addr.s_addr = address;
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0) {
    return true;
  }
  const int code = ::WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return true;
  error = WSockErrorText(code);
  return false;
}

std::uint32_t LocalAddressOf(SOCKET socket) {
  sockaddr_in local{};
  int length = sizeof local;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return local.sin_addr.s_addr;
}

bool HostLookup::Start(HWND window, UINT message, const std::string& host, std::string& error) {
  Cancel();
  error.clear();
  buffer_.assign(MAXGETHOSTSTRUCT, '\0');
  request_ = ::WSAAsyncGetHostByName(window, message, host.c_str(), buffer_.data(),
                                     static_cast<int>(buffer_.size()));
  if (!request_) error = LastErrorText();
  return request_ != nullptr;
}

std::optional<std::uint32_t> HostLookup::Answer(LPARAM lParam, std::string& error) {
  request_ = nullptr;
  error.clear();
  const auto* entry = reinterpret_cast<const hostent*>(buffer_.data());
  if (const int code = WSAGETASYNCERROR(lParam)) {
    error = WSockErrorText(code);
    return std::nullopt;
  }
  if (entry->h_addrtype != AF_INET || entry->h_length != 4 || entry->h_addr_list == nullptr ||
      entry->h_addr_list[0] == nullptr) {
    error = WSockErrorText(WSAHOST_NOT_FOUND);
    return std::nullopt;
  }
  std::uint32_t first = 0;
  std::memcpy(&first, entry->h_addr_list[0], sizeof first);
  return first;
}

void HostLookup::Cancel() {
  if (request_) ::WSACancelAsyncRequest(request_);
  request_ = nullptr;
}

}  // namespace zq
