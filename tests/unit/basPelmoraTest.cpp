// The sender's command-line contract and the show-messages switch.
#include <gtest/gtest.h>

#include "common/MessageBox.h"
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

int g_boxes = 0;
int CountBox(const std::string&, const std::string& title, unsigned) {
  EXPECT_EQ(title, "zqPelmora");
  ++g_boxes;
  return kIdOk;
}

TEST(ShowMessages, BoxesAppearOnlyWhileTheValueIsOne) {
  const auto previous = SetMessageBoxFunction(CountBox);
  struct Case {
    const char* value;
    bool shown;
  } const cases[] = {{"", false}, {"0", false}, {" 1", true}, {"1.5", false}, {"x1", false}};
  for (const auto& c : cases) {
    g_showMessages = c.value;
    g_boxes = 0;
    PelmoraMessage("text", kMbOk);
    EXPECT_EQ(g_boxes, c.shown ? 1 : 0) << '"' << c.value << '"';
  }
  g_showMessages.clear();
  SetMessageBoxFunction(previous);
}

}  // namespace
}  // namespace zq
