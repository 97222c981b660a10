// Service section texts.
#include <gtest/gtest.h>

#include "sender/basNTServices.h"

namespace zq {
namespace {

TEST(ServiceSection, LinesPadNamesToEightCharacters) {
  struct Case {
    const char* name;
    std::uint32_t state;
    const char* display;
    const char* line;
  } const cases[] = {
      {"LanmanServer", 4, "Server", "LanmanSe 開始 Server\r\n"},
      {"a", 0, "x", "a         x\r\n"},
      {"日本語サービス名です", 4, "日本語", "日本語サービス名 開始 日本語\r\n"},
      {"ab表", 4, "x", "ab表      開始 x\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ServiceLine(c.name, c.state, c.display), c.line) << c.name << ' ' << c.state;
  }
}

}  // namespace
}  // namespace zq
