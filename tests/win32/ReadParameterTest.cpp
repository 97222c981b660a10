// Reading the report parameter file through the platform's profile reader.
#include <gtest/gtest.h>
#include <windows.h>

#include "sender/basPelmora.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

class ReadParameterTest : public ::testing::Test {
 protected:
  void Write(const std::string& body) { test::WriteFileBytes(file_, body); }
  std::string Read(const char* key) { return ReadParameter(file_, "zqPelmora.exe", key); }

  test::TempDir dir_;
  std::string file_ = dir_.File("r.ini");
};

TEST_F(ReadParameterTest, OuterQuotesGoInnerQuotesStay) {
  Write(
      ";コメント\r\n[zqPelmora.exe]\r\nCmd1=\"ipconfig /all\"\r\n"
      "Cmd2=\"\"C:\\Program Files\\x.exe\" \"a b\"\"\r\nCmd3=\"\"\r\nCmd4=  \r\n"
      "SmtpSubject=日本語の表題\r\n");
  EXPECT_EQ(Read("Cmd1"), "ipconfig /all");
  EXPECT_EQ(Read("Cmd2"), "\"C:\\Program Files\\x.exe\" \"a b\"");
  EXPECT_EQ(Read("Cmd3"), "");
  EXPECT_EQ(Read("Cmd4"), "");
  EXPECT_EQ(Read("SmtpSubject"), "日本語の表題");
}

TEST_F(ReadParameterTest, SectionAndKeyMatchWithoutRegardToCase) {
  Write("[ZQPELMORA.EXE]\r\nservice=ALL\r\nEVENT=SEA\r\n");
  EXPECT_EQ(Read("Service"), "ALL");
  EXPECT_EQ(Read("Event"), "SEA");
  EXPECT_EQ(ReadParameter(file_, "zqpelmora.exe", "sERVICE"), "ALL");
}

TEST_F(ReadParameterTest, LongValuesArriveWhole) {
  for (const std::size_t length : {254u, 255u, 256u, 300u, 511u, 5000u}) {
    std::string command = "echo ";
    while (command.size() + 2 <= length) command += "表";  // trail byte 0x5C
    command.resize(length, 'x');
    Write("[zqPelmora.exe]\r\nCmd1=\"" + command + "\"\r\nCmd2=" + command + "\r\n");
    EXPECT_TRUE(Read("Cmd1") == command) << length;
    EXPECT_TRUE(Read("Cmd2") == command) << length;
  }
}

TEST_F(ReadParameterTest, MissingFileSectionOrKeyGivesEmptyText) {
  EXPECT_EQ(Read("Event"), "");
  Write("[other]\r\nEvent=S\r\n");
  EXPECT_EQ(Read("Event"), "");
  Write("[zqPelmora.exe]\r\nEvent=S\r\n");
  EXPECT_EQ(Read("EventDays"), "");
}

TEST_F(ReadParameterTest, RelativePathIsReadFromTheCurrentDirectory) {
  Write("[zqPelmora.exe]\r\nEvent=A\r\n");
  char previous[MAX_PATH];
  ASSERT_TRUE(GetCurrentDirectoryA(MAX_PATH, previous));
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.path().c_str()));
  const std::string profile = ProfilePathOf("r.ini");
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(profile, file_);
  EXPECT_EQ(ReadParameter(profile, "zqPelmora.exe", "Event"), "A");
  EXPECT_EQ(ProfilePathOf(""), "");
}

}  // namespace
}  // namespace zq
