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
      {"Spooler", 1, "Print Spooler", "Spooler  停止 Print Spooler\r\n"},
      {"RpcSs", 2, "", "RpcSs    開始中 \r\n"},
      {"a", 7, "表示", "a        一時停止 表示\r\n"},
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
