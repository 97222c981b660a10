// Wiping secrets (passwords, login texts) from memory once they are no longer needed: the
// bytes are overwritten through a volatile pointer, so the compiler cannot drop the writes.
#pragma once

#include <cstddef>
#include <string>

namespace zq {

inline void WipeBytes(char* bytes, std::size_t size) {
  volatile char* target = bytes;
  for (std::size_t i = 0; i < size; ++i) target[i] = 0;
}

// Overwrites the text and leaves it empty.
inline void WipeString(std::string& text) {
  WipeBytes(text.data(), text.size());
  text.clear();
}

}  // namespace zq
