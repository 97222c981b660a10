// The job list of the main window (the list view, refresh and delete) over a job store:
// columns sized to their captions, rows that carry their job id, deletion on Yes only, and
// for each report job of the program folder its last run. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "console/jobs/basScheduleJob.h"

namespace zq {

class JobListControls {
 public:
  JobListControls(HWND dialog, std::string programDirectory = {})
      : dialog_(dialog), programDirectory_(std::move(programDirectory)) {}

  // Eight columns (前回結果 shown before the command line), full-row selection, the list and
  // its buttons usable.
  void Prepare() const;
  // Lists every job of `store` again; a failed listing keeps the rows before it and says why.
  // Returns the listing's status.
  std::uint32_t Refresh(JobStore& store) const;
  // Asks, then deletes the selected job; true when a deletion was tried (the list is then
  // stale), false without a selection or on No.
  bool DeleteSelected(JobStore& store) const;

 private:
  void AddRow(const JobRecord& record) const;
  HWND List() const;

  HWND dialog_;
  std::string programDirectory_;  // where report jobs' work folder is
};

}  // namespace zq
