// The authentication part of the mail settings dialog: 認証方式 (password or OAuth 2.0) and
// OAuth 2.0's fields, with presets for Microsoft 365 (from the tenant) and Google Workspace
// (its key file chosen by browsing). The client secret is shown masked and kept protected for
// the current user, as the password is. Windows only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "console/MailSettings.h"

namespace zq {

class OAuthControls {
 public:
  explicit OAuthControls(HWND dialog = nullptr) : dialog_(dialog) {}

  // Fills the controls from the settings file.
  void Load() const;
  // The choice, a preset or the key file's browse button; false for other commands.
  bool OnCommand(int id, int code) const;
  bool UsesOAuth() const;
  // The values typed, checked and the secret protected; nothing when refused (message shown,
  // focus on the field). The password login's values when OAuth 2.0 is not chosen.
  std::optional<MailOAuth> Read(int securityIndex, const std::string& user) const;

 private:
  void EnableFields() const;
  std::string Text(int id) const;
  void SetText(int id, const std::string& text) const;

  HWND dialog_;
};

}  // namespace zq
