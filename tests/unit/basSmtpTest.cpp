// The mail text encoders, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "sender/mail/basSmtp.h"

namespace zq {
namespace {

const std::string kJ = "\x1B$B";  // to JIS X 0208
const std::string kA = "\x1B(B";  // back to ASCII

TEST(WidenHalfWidthKana, PairsMarksWhereJisHasAPrecomposedLetter) {
  struct Case {
    const char* in;
    const char* out;
  } const cases[] = {
      {"ｶﾞｷﾞ", "ガギ"}, {"ﾊﾟ", "パ"},    {"ﾎﾞﾎﾟ", "ボポ"}, {"ｳﾞ", "ヴ"},      {"ｱﾞ", "ア゛"},
      {"ﾞ", "゛"},      {"ｶ", "カ"},     {"abc", "abc"},   {"ｰ･｡", "ー・。"}, {"ﾄﾞﾀﾟ", "ドタ゜"},
      {"漢ﾞ", "漢゛"},  {"ｶﾞﾞ", "ガ゛"}, {"ｶﾟ", "カ゜"},   {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WidenHalfWidthKana(c.in), c.out) << c.in;
}

TEST(ScanMailText, WidensOneForOneAndMasksOtherSingleBytes) {
  std::string header = "Subject:ｶﾞ\r\n";
  EXPECT_TRUE(ScanMailText(header));
  EXPECT_EQ(header, "Subject:カ゛\r\n");
  std::string ascii = "To:x\r\n";
  EXPECT_FALSE(ScanMailText(ascii));
  EXPECT_EQ(ascii, "To:x\r\n");
  std::string odd = "a\x80\xA0\xFD\xFE\xFFz\x81";
  EXPECT_FALSE(ScanMailText(odd));
  EXPECT_EQ(odd, "a.....z.");
  std::string kanji = "表";
  EXPECT_TRUE(ScanMailText(kanji));
}

TEST(SjisPairToJis, ConvertsRowsAndRejectsCodesWithoutAPlace) {
  struct Case {
    std::uint8_t c1, c2, j1, j2;
  } const cases[] = {
      {0x81, 0x40, 0x21, 0x21}, {0x82, 0x9F, 0x24, 0x21}, {0xE0, 0x40, 0x5F, 0x21},
      {0x95, 0x5C, 0x49, 0x3D}, {0x83, 0x5C, 0x25, 0x3D}, {0x9F, 0xFC, 0x5E, 0x7E},
      {0xEA, 0xA4, 0x74, 0x26}, {0xF0, 0x40, 0, 0},       {0xFC, 0xFC, 0, 0},
      {0x81, 0x7F, 0, 0},       {0x81, 0xFD, 0, 0},       {0x81, 0x3F, 0, 0},
  };
  for (const auto& c : cases) {
    std::uint8_t a = c.c1, b = c.c2;
    SjisPairToJis(a, b);
    EXPECT_EQ((std::pair<int, int>(a, b)), (std::pair<int, int>(c.j1, c.j2)))
        << std::hex << int{c.c1} << ' ' << int{c.c2};
  }
}

TEST(ToIso2022Jp, EscapesAroundDoubleByteStretches) {
  EXPECT_EQ(ToIso2022Jp("aあb"), "a" + kJ + "\x24\x22" + kA + "b");
  EXPECT_EQ(ToIso2022Jp("あい\r\n"), kJ + "\x24\x22\x24\x24" + kA + "\r\n");
  EXPECT_EQ(ToIso2022Jp("表"), kJ + "\x49\x3D" + kA);
  // No JIS X 0208 place (user-defined area): the replacement mark, never NUL bytes.
  EXPECT_EQ(ToIso2022Jp("x\xF0\x40y"), "x" + kJ + "\x22\x2E" + kA + "y");
  // Stray single bytes become "?"; half-width katakana are widened.
  EXPECT_EQ(ToIso2022Jp("\x80\xA0\xFF"), "???");
  EXPECT_EQ(ToIso2022Jp("ｱ"), kJ + "\x25\x22" + kA);
  EXPECT_EQ(ToIso2022Jp("\x81"), "?");
  EXPECT_EQ(ToIso2022Jp("\x81\r\n"), "?\r\n");
  EXPECT_EQ(ToIso2022Jp(""), "");
  EXPECT_EQ(ToIso2022Jp("a\x1B$Bb"), "a?$Bb");  // a raw ESC never switches the reader
}

TEST(EncodeHeaderWords, ReplacesJapaneseStretchesWithEncodedWords) {
  EXPECT_EQ(EncodeHeaderWords("Subject:あ\r\n"), "Subject: =?ISO-2022-JP?B?GyRCJCIbKEI=?= \r\n");
  EXPECT_EQ(EncodedWord("あ"), "=?ISO-2022-JP?B?GyRCJCIbKEI=?=");
  EXPECT_EQ(EncodeHeaderWords("To:x\r\n"), "To:x\r\n");

  const std::string eighteen = "あいうえおかきくけこさしすせそたちつ";
  const std::string nineteen = eighteen + "て";
  const std::string encoded = EncodeHeaderWords("S:" + nineteen + "!");
  EXPECT_EQ(encoded, "S: " + EncodedWord(eighteen) + " " + EncodedWord("て") + " !");
  EXPECT_EQ(EncodedWord(eighteen).size(), 74u);
  EXPECT_EQ(EncodeHeaderWords(eighteen), " " + EncodedWord(eighteen) + " ");
}

TEST(FoldHeaderLines, FoldsAtSpacesAtSeventyFive) {
  const std::string w60(60, 'a'), w20(20, 'b'), w14(14, 'c'), w80(80, 'd');
  EXPECT_EQ(FoldHeaderLines(w60 + " " + w20 + "\r\n"), w60 + "\r\n " + w20 + "\r\n");
  EXPECT_EQ(FoldHeaderLines(w60 + " " + w14 + "\r\n"), w60 + " " + w14 + "\r\n");  // 75 fits
  EXPECT_EQ(FoldHeaderLines(w80 + "\r\n"), w80 + "\r\n");
  EXPECT_EQ(FoldHeaderLines("a  b \r\nc\r\n"), "a  b \r\nc\r\n");
  EXPECT_EQ(FoldHeaderLines("tail"), "tail\r\n");
  EXPECT_EQ(FoldHeaderLines(w60 + " " + w60 + " x\r\n"), w60 + "\r\n " + w60 + " x\r\n");
}

TEST(Base64, EncodesGroupsWithPadding) {
  EXPECT_EQ(Base64Encode("abc"), "YWJj");
  EXPECT_EQ(Base64Encode("ab"), "YWI=");
  EXPECT_EQ(Base64Encode("a"), "YQ==");
  EXPECT_EQ(Base64Encode(""), "");
  EXPECT_EQ(Base64Encode(std::string("\xFB\xFF\x00", 3)), "+/8A");
  EXPECT_EQ(Base64Char(64), '\0');
}

// Wrapped base64 of the whole input at once, as a reference.
std::string WrappedReference(const std::string& bytes) {
  const std::string flat = Base64Encode(bytes);
  std::string wrapped;
  for (std::size_t i = 0; i < flat.size(); i += 76) wrapped += flat.substr(i, 76) + "\r\n";
  return wrapped;
}

TEST(Base64, FilesAreReadInChunksAndWrappedAtSeventySix) {
  const auto dir = std::filesystem::temp_directory_path() / "zq base64 test";
  std::filesystem::create_directories(dir);
  std::mt19937 random(7);
  for (const std::size_t size :
       {0u, 1u, 56u, 57u, 58u, 114u, 32765u, 32766u, 32767u, 65532u, 65533u, 100000u}) {
    std::string bytes(size, '\0');
    for (auto& b : bytes) b = static_cast<char>(random());
    const std::string path = (dir / ("f" + std::to_string(size))).string();
    std::ofstream(path, std::ios::binary) << bytes;
    std::string text;
    ASSERT_TRUE(EncodeFileBase64(path, text)) << size;
    EXPECT_TRUE(text == WrappedReference(bytes)) << size;
  }
  std::string text;
  EXPECT_FALSE(EncodeFileBase64((dir / "missing").string(), text));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zq
