// The mail settings dialog: edits the five stored mail settings and the security and login.
// A save that passes the checks writes the settings file (the password protected),
// MailSettings and MailSecurity, and hands the mail values to the caller (the main window's
// mail boxes); cancel changes nothing. A test send mails through the real sender with the
// values as typed.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "common/ModelessDialog.h"
#include "console/OAuthControls_win.h"
#include "console/basTervask.h"

namespace zq {

class frmMailSetting final : public ModelessDialog {
 public:
  using SavedFunction = std::function<void(const MailSettings&)>;
  explicit frmMailSetting(SavedFunction onSaved);

 private:
  void OnInit() override;
  bool OnCommand(int id, int code) override;
  void Form_Load();
  void Save();
  void cmdTestSend_Click();
  void cboSecurity_Click();
  int SecurityIndex() const;
  struct Typed {
    MailSettings mail;
    MailSecurity security;
    SecondRelay relay2;
    MailOAuth oauth;
  };
  std::optional<Typed> ReadTyped();

  SavedFunction onSaved_;
  std::string caFile_;
  OAuthControls oauth_;
};

}  // namespace zq
