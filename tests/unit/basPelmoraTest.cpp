// The sender's command-line contract.
#include <gtest/gtest.h>

#include "sender/basPelmora.h"

namespace zq {
namespace {

TEST(CommandLine, ArgumentsFollowTheProgramName) {
  struct Case {
    const char* commandLine;
    const char* arguments;
  } const cases[] = {
      {"zqPelmora.exe CMD\\20040305140709.ini", "CMD\\20040305140709.ini"},
      {"\"C:\\Program Files\\zq\\zqPelmora.exe\"   r.ini  ", "r.ini  "},
      {"\"C:\\a b\\zqPelmora.exe\"", ""},
      {"zqPelmora.exe", ""},
      {"zqPelmora.exe\t\"C:\\a b\\r.ini\"", "\"C:\\a b\\r.ini\""},
  };
  for (const auto& c : cases) EXPECT_EQ(ArgumentsOf(c.commandLine), c.arguments) << c.commandLine;
}

}  // namespace
}  // namespace zq
