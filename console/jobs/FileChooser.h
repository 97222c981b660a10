// The file-open dialog of the browse buttons, behind a seam: the real one would block a test.
// Windows only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zq {

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // A program or batch file chosen by the user; nothing when cancelled.
  virtual std::optional<std::string> ChooseProgram(HWND owner) = 0;
};

// The common file-open dialog (programs, batch files, all files; the file must exist).
class OpenFileChooser final : public FileChooser {
 public:
  std::optional<std::string> ChooseProgram(HWND owner) override;
  // A key file for OAuth 2.0 (PEM, JSON, all files).
  std::optional<std::string> ChooseKeyFile(HWND owner);
};

}  // namespace zq
