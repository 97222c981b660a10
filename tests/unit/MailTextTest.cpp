// The mail text encoders, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "sender/mail/Base64.h"
#include "sender/mail/Cp932Unicode.h"
#include "sender/mail/HeaderField.h"
#include "sender/mail/JapaneseText.h"
#include "tests/support/JoiningReader.h"

namespace zq {
namespace {

const std::string kJ = "\x1B$B";  // to JIS X 0208
const std::string kA = "\x1B(B";  // back to ASCII

TEST(WidenHalfWidthKana, PairsMarksWhereJisHasAPrecomposedLetter) {
  struct Case {
    const char* in;
    const char* out;
  } const cases[] = {
      {"ｶﾞｷﾞ", "ガギ"},  {"ﾎﾞﾎﾟ", "ボポ"},   {"ｳﾞ", "ヴ"},    {"ｱﾞ", "ア゛"},  {"ﾞ", "゛"},
      {"ｰ･｡", "ー・。"}, {"ﾄﾞﾀﾟ", "ドタ゜"}, {"漢ﾞ", "漢゛"}, {"ｶﾞﾞ", "ガ゛"}, {"ｶﾟ", "カ゜"},
  };
  for (const auto& c : cases) EXPECT_EQ(WidenHalfWidthKana(c.in), c.out) << c.in;
}

TEST(ToIso2022Jp, EscapesAroundDoubleByteStretches) {
  EXPECT_EQ(ToIso2022Jp("aあb"), "a" + kJ + "\x24\x22" + kA + "b");
  EXPECT_EQ(ToIso2022Jp("あい\r\n"), kJ + "\x24\x22\x24\x24" + kA + "\r\n");
  EXPECT_EQ(ToIso2022Jp("表"), kJ + "\x49\x3D" + kA);
  EXPECT_EQ(ToIso2022Jp("\x9F\xFC\xEA\xA4\x81\x40"), kJ + "\x5E\x7E\x74\x26\x21\x21" + kA);
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

TEST(HeaderField, EncodedWordsCarryTheBlanksReadersWouldDrop) {
  const std::string a = EncodedWord("あ");
  struct Case {
    const char* value;
    std::string field;
  } const cases[] = {
      {"abc", "Subject:abc\r\n"},
      {"あ", "Subject: " + a + "\r\n"},
      {"あ い", "Subject: " + EncodedWord("あ い") + "\r\n"},  // the blank inside the word
      {"x あ y", "Subject:x " + a + " y\r\n"},                 // blanks around plain text stay
      {" あ ", "Subject: " + EncodedWord(" あ ") + "\r\n"},    // no blank added or lost
      {"ABC-123）", "Subject: " + EncodedWord("ABC-123）") + "\r\n"},
      {"=?x?=", "Subject: " + EncodedWord("=?x?=") + "\r\n"},  // would be read as a word
      {"ｶﾞ", "Subject: " + EncodedWord("ガ") + "\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(HeaderField("Subject", c.value), c.field) << c.value;
}

TEST(HeaderField, FoldsOnlyBetweenWordsWithinTheWidth) {
  const std::string w60(60, 'a'), w20(20, 'b'), w80(80, 'd');
  EXPECT_EQ(HeaderField("To", w60 + " " + w20), "To:" + w60 + "\r\n " + w20 + "\r\n");
  EXPECT_EQ(HeaderField("To", w80), "To:" + w80 + "\r\n");
  // A long Japanese run becomes several words, each line full but within 76 characters.
  const std::string run(120, '\x8A');  // 60 times 樺 (0x8A 0x8A)
  // A run of blanks folds with the word after it: no line is blanks alone.
  const std::string spaced = HeaderField("Subject", run + std::string(90, ' ') + "x");
  EXPECT_EQ(spaced.find("\r\n \r\n"), std::string::npos);
  EXPECT_NE(spaced.find("\r\n" + std::string(90, ' ') + "x\r\n"), std::string::npos);
  EXPECT_EQ(HeaderField("Subject", run + " end").find("?=\r\n =?UTF-8?B?"), 71u);  // line 1 full
}

// Every line of a field within the fold width.
bool LinesFit(const std::string& field) {
  for (std::size_t pos = 0, end; (end = field.find("\r\n", pos)) != std::string::npos;
       pos = end + 2) {
    if (end - pos > kHeaderFoldWidth) return false;
  }
  return true;
}

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(HeaderField, AReaderThatJoinsWordsReadsExactlyTheTextInOneCharset) {
  std::vector<std::string> values = {
      "【定期報告】東京本社基幹業務系サーバー群週次稼働状況報告書送付",
      "①障害報告 ㈱サンプル情報システム部",
      "髙﨑様 ～ ご確認ください － ￥１０００",
      "ｼｽﾃﾑ ｶﾞｲﾄﾞ ﾊﾟｽﾜｰﾄﾞ",
      "週次報告 2026年12月 東京 本社 サーバー 稼働状況 ABC-123 (定期)",
      "  前後の 空白  ",
      Repeated("あいうえおかきくけこ ", 8),
  };
  // Kanji runs of every length, alone and after ASCII, cut at every position a word allows.
  for (int length = 1; length <= 40; ++length) {
    values.push_back(Repeated("漢", length));
    values.push_back("a" + Repeated("字", length) + "z");
    values.push_back(std::string(static_cast<std::size_t>(length), 'x') + " " + Repeated("表", 19));
  }
  for (const std::string& value : values) {
    const std::string field = HeaderField("Subject", value);
    const test::ReadText read = test::ReadField(field);
    std::string expected = value;
    ScanMailText(expected);
    EXPECT_FALSE(read.error) << field;
    EXPECT_EQ(read.utf8, Utf8OfCp932(expected)) << field;
    EXPECT_EQ(read.charsets.find(','), std::string::npos) << field;
    EXPECT_TRUE(LinesFit(field)) << field;
  }
}

TEST(HeaderField, IsoTwentyTwoJpWhereItIsExactAndCanBeCutElseUtf8) {
  const std::pair<const char*, const char*> cases[] = {
      {"週次報告 東京本社 稼働状況", "ISO-2022-JP"},
      {"東京本社基幹業務系サーバー群週次稼働", "ISO-2022-JP"},  // 18 kanji: one word
      {"東京本社基幹業務系サーバー群週次稼働状", "UTF-8"},      // 19: no cut next to ASCII
      {"①障害報告", "UTF-8"},                                   // NEC row 13
      {"髙橋", "UTF-8"},                                        // IBM extension
      {"ｶﾞｲﾄﾞ", "ISO-2022-JP"},                                 // widened first
      {"x\xF0\x40", "UTF-8"},                                   // user-defined
      {"\x81\xAD", "UTF-8"},                                    // unassigned: 〓 in UTF-8
  };
  for (const auto& [value, charset] : cases) {
    EXPECT_EQ(test::ReadField(HeaderField("Subject", value)).charsets, charset) << value;
  }
  EXPECT_EQ(test::ReadField(HeaderField("Subject", "\x81\xAD")).utf8, test::Utf8(u8"〓"));
}

TEST(Cp932Unicode, TextsWithoutAPlaceInUnicodeGetTheGetaMark) {
  // Every code against the system's own table: win32/Cp932UnicodeTest.
  EXPECT_EQ(Utf8OfCp932("a①～\xA0\x85\x40\xF0\x40"),
            test::Utf8(u8"a\u2460\uFF5E\u3013\u3013\uE000"));
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
    FileBase64Stream stream;
    ASSERT_TRUE(stream.Open(path)) << size;
    while (stream.Next(text) == FileBase64Stream::kMore) {
    }
    EXPECT_TRUE(text == WrappedReference(bytes)) << size;
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zq
