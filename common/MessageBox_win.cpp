// The platform's message box, text and caption in the system code page.
#include <windows.h>

#include "common/MessageBox.h"

namespace zq {

int PlatformMessageBox(const std::string& text, const std::string& title, unsigned style) {
  return MessageBoxA(nullptr, text.c_str(), title.c_str(), style | MB_SETFOREGROUND);
}

}  // namespace zq
