// CP932 character boundaries: a trail byte never starts a character of its own.
#include <gtest/gtest.h>

#include "common/Cp932.h"

namespace zq {
namespace {

TEST(Cp932, CountsDoubleBytePairsAsOneCharacter) {
  EXPECT_EQ(Cp932CharCount("abc"), 3u);
  EXPECT_EQ(Cp932CharCount("表ソ"), 2u);      // trail bytes 0x5C
  EXPECT_EQ(Cp932CharCount("ｱｲ"), 2u);        // half-width katakana are single bytes
  EXPECT_EQ(Cp932CharCount("a\x81"), 2u);     // a lead byte at the end stands alone
  EXPECT_EQ(Cp932CharCount("\x81\r\n"), 3u);  // and never swallows a line break
}

TEST(Cp932, FitWidthCutsAndPadsByCharacters) {
  struct Case {
    const char* text;
    std::size_t width;
    const char* fitted;
  } const cases[] = {
      {"LanmanServer", 8, "LanmanSe"},
      {"W32Time", 8, "W32Time "},
      {"", 3, "   "},
      {"日本語サービス名です", 8, "日本語サービス名"},
      {"ab表", 8, "ab表     "},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp932FitWidth(c.text, c.width), c.fitted) << c.text;
}

TEST(Cp932, TrimBlanksRemovesSpacesOnly) {
  EXPECT_EQ(TrimBlanks("  a b  "), "a b");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks("\ta\t"), "\ta\t");
}

}  // namespace
}  // namespace zq
