// Throwaway directories and file helpers for the Win32 tests.
#include "tests/win32/TempDir.h"

#include <windows.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zq::test {
namespace {

void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE find = ::FindFirstFileA((dir + "\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::DeleteFileA(path.c_str());
      }
    } while (::FindNextFileA(find, &found));
    ::FindClose(find);
  }
  ::RemoveDirectoryA(dir.c_str());
}

}  // namespace

TempDir::TempDir() {
  char base[MAX_PATH];
  if (!::GetTempPathA(MAX_PATH, base)) throw std::runtime_error("GetTempPathA failed");
  static unsigned counter = 0;
  for (;;) {
    path_ = std::string(base) + "zq test " + std::to_string(::GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    if (::CreateDirectoryA(path_.c_str(), nullptr)) return;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) throw std::runtime_error("CreateDirectory");
  }
}

TempDir::~TempDir() { RemoveTree(path_); }

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string BesideTestProgram(const std::string& name) {
  char self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir(self, length);
  return dir.substr(0, dir.find_last_of('\\') + 1) + name;
}

}  // namespace zq::test
