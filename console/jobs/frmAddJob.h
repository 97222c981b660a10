// The general job dialog: registers any command line as a job, or starts it at once. The
// file-open dialog of its browse button sits behind FileChooser (the real one would block a
// test).
#pragma once

#include <optional>
#include <string>

#include "common/ModelessDialog.h"
#include "console/jobs/ScheduleControls_win.h"

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
};

class frmAddJob final : public ModelessDialog {
 public:
  frmAddJob(JobStore& store, FileChooser& chooser);

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void cmdBrowse_Click();
  void cmdSubmit_Click();
  void RunNow(const std::string& command);

  JobStore& store_;
  FileChooser& chooser_;
  ScheduleControls schedule_{nullptr};
};

}  // namespace zq
