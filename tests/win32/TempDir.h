// A throwaway directory for Win32 tests (its name holds a blank), removed with its files.
#pragma once

#include <string>

namespace zq::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

// Whole-file helpers on CP932 paths.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Full path of a program next to the running test program.
std::string BesideTestProgram(const std::string& name);

}  // namespace zq::test
