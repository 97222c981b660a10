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

}  // namespace
}  // namespace zq
