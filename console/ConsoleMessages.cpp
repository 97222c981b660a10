// The console's message boxes.
#include "console/ConsoleMessages.h"

#include "common/MessageBox.h"

namespace zq {

int TervaskMessage(const std::string& text, unsigned style) {
  return ShowMessageBox(text, kTervaskTitle, style);
}

}  // namespace zq
