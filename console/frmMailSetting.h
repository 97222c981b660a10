// The mail settings dialog: edits the five stored mail settings. A save that passes the
// checks writes the settings file and MailSettings and hands the values to the caller (the
// main window's mail boxes); cancel changes nothing.
#pragma once

#include <functional>

#include "common/ModelessDialog.h"
#include "console/basTervask.h"

namespace zq {

class frmMailSetting final : public ModelessDialog {
 public:
  using SavedFunction = std::function<void(const MailSettings&)>;
  explicit frmMailSetting(SavedFunction onSaved);

 private:
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Form_Load();
  void cmdButton_Click(int index);
  void Save();

  SavedFunction onSaved_;
};

}  // namespace zq
