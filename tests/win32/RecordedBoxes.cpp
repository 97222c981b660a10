// Recorded message boxes.
#include "tests/win32/RecordedBoxes.h"

namespace zq::test {
namespace {

RecordedBoxes* g_active = nullptr;

int Record(const std::string& text, const std::string&, unsigned) {
  g_active->texts.push_back(text);
  return g_active->answer;
}

}  // namespace

RecordedBoxes::RecordedBoxes() : previous_(SetMessageBoxFunction(Record)) { g_active = this; }

RecordedBoxes::~RecordedBoxes() {
  SetMessageBoxFunction(previous_);
  g_active = nullptr;
}

}  // namespace zq::test
