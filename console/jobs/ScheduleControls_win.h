// The schedule controls of a job window (the mode list, the three frames, the submit button)
// wired to the portable schedule entry: showing a mode, reading the inputs, moving the focus
// after a refusal, and adding the job with its message. Windows only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "console/jobs/ScheduleEntry.h"

namespace zq {

class ScheduleControls {
 public:
  explicit ScheduleControls(HWND dialog) : dialog_(dialog) {}

  // Fills the mode list (no mode chosen).
  void FillModes() const;
  // A mode was chosen: its frame shown, the others hidden, the button captioned and enabled.
  void comboCondition_Click() const;
  // Handles the controls' own notifications (mode choice, whole-text selection of the time
  // boxes); false for anything else.
  bool OnCommand(WPARAM wParam) const;

  ScheduleInput Read() const;
  void Focus(ScheduleFocus focus) const;

  // Adds `job`: "ジョブ" + id + "を追加しました。" on success, the refusal with its error text
  // otherwise. The added job's id, or nothing.
  std::optional<std::uint32_t> Submit(JobStore& store, const JobSpec& job) const;

 private:
  HWND Item(int id) const { return ::GetDlgItem(dialog_, id); }
  HWND dialog_;
};

}  // namespace zq
