// System error texts through FormatMessageA.
#include "common/SystemError.h"

#include "common/UniqueHandle.h"

namespace zq {

std::string TakeFormattedText(char* text, DWORD length) {
  UniqueLocalMemory owner(text);
  return length == 0 || text == nullptr ? std::string() : std::string(text, length);
}

std::string GetSystemErrorText(std::uint32_t error) {
  char* text = nullptr;
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_MAX_WIDTH_MASK | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, error, TextLanguage(), reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = TakeFormattedText(text, length);
  while (!message.empty() &&
         (message.back() == ' ' || message.back() == '\r' || message.back() == '\n')) {
    message.pop_back();
  }
  return message;
}

}  // namespace zq
