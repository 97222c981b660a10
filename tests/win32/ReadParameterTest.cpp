// Reading the report parameter file through the platform's profile reader: values of any
// length.
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

}  // namespace
}  // namespace zq
