// Helpers for the Win32 tests: a throwaway directory whose name holds a blank, whole files.
#pragma once

#include <filesystem>
#include <string>

namespace zq::test {

class TempDir {
 public:
  TempDir();
  // Removes the directory; a program that still runs from it gets a few seconds to end.
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// The text of control `id` of a window.
std::string ItemText(void* window, int id);

// Full path of a program next to the running test program.
std::string BesideTestProgram(const std::string& name);

}  // namespace zq::test
