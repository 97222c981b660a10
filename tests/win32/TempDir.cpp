// Throwaway directories and file helpers for the Win32 tests (ASCII paths only).
#include "tests/win32/TempDir.h"

#include <windows.h>

#include <fstream>
#include <iterator>

namespace zq::test {

TempDir::TempDir() {
  static unsigned counter = 0;
  const auto dir =
      std::filesystem::temp_directory_path() /
      ("zq test " + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++counter));
  std::filesystem::create_directories(dir);
  path_ = dir.string();
}

TempDir::~TempDir() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
    if (!error) return;
    ::Sleep(100);
  }
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ItemText(void* window, int id) {
  char text[4096] = {};
  ::GetDlgItemTextA(static_cast<HWND>(window), id, text, sizeof text);
  return text;
}

std::string BesideTestProgram(const std::string& name) {
  char self[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  return (std::filesystem::path(std::string(self, length)).parent_path() / name).string();
}

}  // namespace zq::test
