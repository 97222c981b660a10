// The socket layer's Win32 shell under Wine: start-up, addresses by dotted form and by name,
// and a host that cannot be found failing before anything connects.
#include "sender/mail/basWSock_win.h"

#include <gtest/gtest.h>

namespace zq {
namespace {

TEST(SocketLayer, StartsResolvesAndRefusesUnknownHosts) {
  std::string error = "not cleared";
  ASSERT_EQ(SockStartup(error), 0);
  EXPECT_EQ(error, "");
  EXPECT_EQ(ResolveHostAddress("192.168.0.1"), ::htonl(0xC0A80001));
  EXPECT_EQ(ResolveHostAddress("localhost"), ::htonl(0x7F000001));
  EXPECT_EQ(ResolveHostAddress("zq-no-such-host.invalid"), INADDR_NONE);

  UniqueSocket socket(SockCreate(AF_INET, SOCK_STREAM, error));
  ASSERT_TRUE(socket.valid()) << error;
  sockaddr_in address{};
  EXPECT_FALSE(SockConnectAsync(socket.get(), address, "zq-no-such-host.invalid", 25, error));
  EXPECT_EQ(error, "ホストが見つからない。");
  EXPECT_EQ(address.sin_port, ::htons(25));
  socket.reset();
  EXPECT_EQ(SockCleanup(error), 0);
}

}  // namespace
}  // namespace zq
