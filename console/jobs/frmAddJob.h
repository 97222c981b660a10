// The general job dialog: registers any command line as a job, or starts it at once.
#pragma once

#include <string>

#include "common/ModelessDialog.h"
#include "console/jobs/FileChooser.h"
#include "console/jobs/ScheduleControls_win.h"

namespace zq {

class frmAddJob final : public ModelessDialog {
 public:
  frmAddJob(JobStore& store, FileChooser& chooser);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void cmdBrowse_Click();
  void cmdSubmit_Click();
  void RunNow(const std::string& command);

  JobStore& store_;
  FileChooser& chooser_;
  ScheduleControls schedule_{nullptr};
};

}  // namespace zq
