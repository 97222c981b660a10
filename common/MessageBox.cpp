// The swappable message-box function.
#include "common/MessageBox.h"

namespace zq {
namespace {
MessageBoxFunction g_messageBox = nullptr;
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
  const MessageBoxFunction previous = g_messageBox;
  g_messageBox = function;
  return previous;
}

int ShowMessageBox(const std::string& text, const std::string& title, unsigned style) {
  return g_messageBox ? g_messageBox(text, title, style) : PlatformMessageBox(text, title, style);
}

#ifndef _WIN32
int PlatformMessageBox(const std::string&, const std::string&, unsigned) { return kIdOk; }
#endif

}  // namespace zq
