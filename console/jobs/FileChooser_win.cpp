// The common file-open dialog for programs and batch files.
#include "console/jobs/FileChooser.h"

#include <commdlg.h>

#include <vector>

namespace zq {

namespace {

std::optional<std::string> ChooseFile(HWND owner, const char* kFilter) {
  std::vector<char> path(32768, '\0');
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = static_cast<DWORD>(path.size());
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!::GetOpenFileNameA(&dialog)) return std::nullopt;
  return std::string(path.data());
}

}  // namespace

std::optional<std::string> OpenFileChooser::ChooseProgram(HWND owner) {
  return ChooseFile(owner,
                    "実行ﾌｧｲﾙ (*.exe)\0*.exe\0ﾊﾞｯﾁﾌｧｲﾙ (*.bat)\0*.bat\0すべてのﾌｧｲﾙ (*.*)\0*.*\0");
}

std::optional<std::string> OpenFileChooser::ChooseKeyFile(HWND owner) {
  return ChooseFile(owner, "キーファイル (*.pem;*.json)\0*.pem;*.json\0すべてのﾌｧｲﾙ (*.*)\0*.*\0");
}

}  // namespace zq
