// The compiled-in CP932 table against the system's own conversion of code page 932.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "sender/mail/Cp932Unicode.h"

namespace zq {
namespace {

// The system's character of `bytes`, kNoCharacter when it has none.
char32_t SystemCharacter(const std::string& bytes) {
  wchar_t wide[4] = {};
  const int n = ::MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), wide, 4);
  return n == 1 ? static_cast<char32_t>(wide[0]) : kNoCharacter;
}

TEST(Cp932Unicode, EveryCodeMapsAsTheSystemMapsItAndRoundTrips) {
  int characters = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F || (lead >= 0xA0 && lead <= 0xDF)) continue;
      const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      const char32_t ours = UnicodeOfCp932(bytes);
      ASSERT_EQ(static_cast<std::uint32_t>(ours),
                static_cast<std::uint32_t>(SystemCharacter(bytes)))
          << std::hex << lead << " " << trail;
      if (ours == kNoCharacter) continue;
      ++characters;
      // Back to CP932 (a duplicate to the code Windows prefers) and to the same character.
      const wchar_t wide = static_cast<wchar_t>(ours);
      char back[4] = {};
      BOOL lossy = FALSE;
      const int n = ::WideCharToMultiByte(932, 0, &wide, 1, back, 4, nullptr, &lossy);
      ASSERT_FALSE(lossy) << std::hex << lead << " " << trail;
      EXPECT_EQ(static_cast<std::uint32_t>(UnicodeOfCp932(std::string(back, n))),
                static_cast<std::uint32_t>(ours));
    }
  }
  EXPECT_GT(characters, 7000 + 1880);  // JIS X 0208, NEC and IBM additions, user-defined area
  for (int b = 0xA1; b <= 0xDF; ++b) {
    const std::string kana(1, static_cast<char>(b));
    EXPECT_EQ(static_cast<std::uint32_t>(UnicodeOfCp932(kana)),
              static_cast<std::uint32_t>(SystemCharacter(kana)));
  }
}

}  // namespace
}  // namespace zq
