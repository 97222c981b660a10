// The owner of a C stream: closed on every way out. Portable.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace zq {

struct StdFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueStdFile = std::unique_ptr<std::FILE, StdFileCloser>;

// fopen with a CP932 path; empty when the file cannot be opened.
inline UniqueStdFile OpenStdFile(const std::string& path, const char* mode) {
  return UniqueStdFile(std::fopen(path.c_str(), mode));
}

// Closes the stream; false when the close (and so the last flush) failed or none was open.
inline bool CloseStdFile(UniqueStdFile& file) { return file && std::fclose(file.release()) == 0; }

}  // namespace zq
