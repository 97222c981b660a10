// The socket layer's Win32 shell under Wine: start-up, dotted addresses, and host names
// looked up without blocking: the answer arrives as a window message.
#include "sender/mail/basWSock_win.h"

#include <gtest/gtest.h>

namespace zq {
namespace {

constexpr UINT kAnswer = WM_APP + 7;

// Looks `host` up and waits (at most ten seconds) for the answer.
std::optional<std::uint32_t> LookUp(const std::string& host, std::string& error) {
  const HWND window =
      ::CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  EXPECT_NE(window, nullptr);
  HostLookup lookup;
  EXPECT_TRUE(lookup.Start(window, kAnswer, host, error)) << error;
  std::optional<std::uint32_t> address;
  MSG message;
  for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 10000;) {
    if (!::PeekMessageA(&message, window, kAnswer, kAnswer, PM_REMOVE)) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      continue;
    }
    address = lookup.Answer(message.lParam, error);
    ::DestroyWindow(window);
    return address;
  }
  ADD_FAILURE() << "no answer for " << host;
  ::DestroyWindow(window);
  return std::nullopt;
}

TEST(SocketLayer, StartsAndLooksHostsUpAsMessages) {
  WinsockStartup winsock;
  ASSERT_EQ(winsock.error(), "");
  EXPECT_EQ(DottedAddress("192.168.0.1"), ::htonl(0xC0A80001));
  EXPECT_EQ(DottedAddress("localhost"), std::nullopt);
  std::string error;
  EXPECT_EQ(LookUp("localhost", error), ::htonl(0x7F000001));
  EXPECT_EQ(error, "");
  EXPECT_EQ(LookUp("zq-no-such-host.invalid", error), std::nullopt);
  EXPECT_EQ(error, "ホストが見つからない。");
}

}  // namespace
}  // namespace zq
