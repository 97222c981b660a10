// Winsock calls of the socket layer.
#include "sender/mail/basWSock_win.h"

#include <cstring>

#include "sender/mail/basWSock.h"

namespace zq {
namespace {

WSADATA g_startupRecord;

std::string LastErrorText() { return WSockErrorText(::WSAGetLastError()); }

}  // namespace

int SockStartup(std::string& error) {
  error.clear();
  const int result = ::WSAStartup(MAKEWORD(1, 1), &g_startupRecord);
  if (result != 0) {
    error = WSockErrorText(result);
    return result;
  }
  const std::string check = StartupCheckText(
      g_startupRecord.wVersion, static_cast<std::int16_t>(g_startupRecord.iMaxSockets));
  if (!check.empty()) error = check;
  return result;
}

int SockCleanup(std::string& error) {
  error.clear();
  const int result = ::WSACleanup();
  if (result == SOCKET_ERROR) error = LastErrorText();
  return result;
}

SOCKET SockCreate(int family, int type, std::string& error) {
  error.clear();
  const SOCKET s = ::socket(family, type, 0);
  if (s == INVALID_SOCKET) error = LastErrorText();
  return s;
}

int SockClose(SOCKET socket, std::string& error) {
  error.clear();
  const int result = ::closesocket(socket);
  if (result == SOCKET_ERROR) error = LastErrorText();
  return result;
}

std::uint32_t ResolveHostAddress(const std::string& host) {
  const unsigned long address = ::inet_addr(host.c_str());
  if (address != INADDR_NONE) return address;
  const hostent* entry = ::gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_length != 4 ||
      entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    return INADDR_NONE;
  }
  std::uint32_t first = 0;
  std::memcpy(&first, entry->h_addr_list[0], sizeof first);
  return first;
}

bool SockSelect(SOCKET socket, HWND window, UINT message, long events, std::string& error) {
  error.clear();
  if (::WSAAsyncSelect(socket, window, message, events) == SOCKET_ERROR) {
    error = LastErrorText();
    return false;
  }
  return true;
}

bool SockConnectAsync(SOCKET socket, sockaddr_in& address, const std::string& host,
                      std::uint16_t port, std::string& error) {
  error.clear();
  address = sockaddr_in{};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(port);
  address.sin_addr.s_addr = ResolveHostAddress(host);
  // A name that resolves to nothing is never sent to the broadcast address.
  if (address.sin_addr.s_addr == INADDR_NONE) {
    error = WSockErrorText(WSAHOST_NOT_FOUND);
    return false;
  }
  if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    return true;
  }
  const int code = ::WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return true;
  error = WSockErrorText(code);
  return false;
}

}  // namespace zq
