// The mail settings dialog's authentication controls.
#include "console/OAuthControls_win.h"

#include "common/Cp932.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/ProtectedText_win.h"
#include "common/SecretText.h"
#include "console/ConsoleMessages.h"
#include "console/frmMailSettingIds.h"
#include "console/jobs/FileChooser.h"

namespace zq {
namespace {

// The OAuth 2.0 boxes by key order after SmtpAuth (the secret's box holds the clear text).
constexpr int kOAuthIds[] = {IDE_txtTokenUrl, IDE_txtClientId, IDE_txtScope,
                             IDE_txtSecret,   IDE_txtKeyFile,  IDE_txtSubject2};

}  // namespace

std::string OAuthControls::Text(int id) const { return WindowTextOf(::GetDlgItem(dialog_, id)); }

void OAuthControls::SetText(int id, const std::string& text) const {
  ::SetDlgItemTextA(dialog_, id, text.c_str());
}

void OAuthControls::Load() const {
  for (const char* text : kAuthTexts) {
    ::SendDlgItemMessageA(dialog_, IDC_cboAuth, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  MailOAuth stored;
  for (int field = 0; field < kOAuthFieldCount; ++field) {
    MailOAuthField(stored, field) =
        ReadSetting(kSettingsSection, kReportKeys[kKeySmtpAuth + field]);
  }
  const bool oauth = Cp932AsciiUpper(TrimBlanks(stored.auth)) == kAuthWords[1];
  ::SendDlgItemMessageA(dialog_, IDC_cboAuth, CB_SETCURSEL, oauth ? 1 : 0, 0);
  for (int field = 1; field < kOAuthFieldCount; ++field) {
    SetText(kOAuthIds[field - 1], MailOAuthField(stored, field));
  }
  // The stored secret is shown masked; one that cannot be read here is typed again.
  auto secret = UnprotectText(stored.protectedSecret);
  SetText(IDE_txtSecret, secret.value_or(""));
  if (secret) WipeString(*secret);
  EnableFields();
}

bool OAuthControls::UsesOAuth() const {
  return ::SendDlgItemMessageA(dialog_, IDC_cboAuth, CB_GETCURSEL, 0, 0) == 1;
}

void OAuthControls::EnableFields() const {
  const BOOL on = UsesOAuth() ? TRUE : FALSE;
  for (int i = 0; i < 7; ++i) ::EnableWindow(::GetDlgItem(dialog_, IDL_lblOAuth0 + i), on);
  for (const int id : kOAuthIds) ::EnableWindow(::GetDlgItem(dialog_, id), on);
  for (const int id : {IDE_txtTenant, IDB_cmdKeyFile, IDB_cmdMicrosoft, IDB_cmdGoogle}) {
    ::EnableWindow(::GetDlgItem(dialog_, id), on);
  }
  ::EnableWindow(::GetDlgItem(dialog_, IDE_txtPassword), on ? FALSE : TRUE);
}

bool OAuthControls::OnCommand(int id, int code) const {
  static OpenFileChooser chooser;
  switch (id) {
    case IDC_cboAuth:
      if (code == CBN_SELCHANGE) EnableFields();
      return true;
    case IDB_cmdMicrosoft:
      if (TrimBlanks(Text(IDE_txtTenant)).empty()) {
        TervaskMessage("テナントID（またはテナントのドメイン名）を入力してください。",
                       kMbExclamation);
        ::SetFocus(::GetDlgItem(dialog_, IDE_txtTenant));
        return true;
      }
      SetText(IDE_txtTokenUrl, MicrosoftTokenUrl(Text(IDE_txtTenant)));
      SetText(IDE_txtScope, kMicrosoftScope);
      return true;
    case IDB_cmdGoogle:
      SetText(IDE_txtTokenUrl, kGoogleTokenUrl);
      SetText(IDE_txtScope, kGoogleScope);
      [[fallthrough]];
    case IDB_cmdKeyFile:
      if (const auto path = chooser.ChooseKeyFile(dialog_)) SetText(IDE_txtKeyFile, *path);
      return true;
  }
  return false;
}

std::optional<MailOAuth> OAuthControls::Read(int securityIndex, const std::string& user) const {
  MailOAuth typed;
  if (!UsesOAuth()) return typed;
  typed.auth = kAuthWords[1];
  for (int field = 1; field < kOAuthFieldCount; ++field) {
    if (kOAuthIds[field - 1] == IDE_txtSecret) continue;
    MailOAuthField(typed, field) = std::string(TrimBlanks(Text(kOAuthIds[field - 1])));
  }
  std::string secret = Text(IDE_txtSecret);
  const OAuthRefusal refusal = CheckOAuth(securityIndex, user, typed, !secret.empty());
  if (refusal.field >= 0) {
    WipeString(secret);
    TervaskMessage(refusal.message, kMbExclamation);
    const int focus = refusal.field == 0 ? IDC_cboAuth : kOAuthIds[refusal.field - 1];
    ::SetFocus(::GetDlgItem(dialog_, focus));
    return std::nullopt;
  }
  if (!secret.empty()) {
    // Only this user reads the settings' copy; a report job gets a machine copy of its own.
    const auto protectedSecret = ProtectText(secret, SecretScope::kCurrentUser);
    WipeString(secret);
    if (!protectedSecret) {
      TervaskMessage("シークレットを保護できませんでした。\r\n" + LastFailure().text,
                     kMbExclamation);
      return std::nullopt;
    }
    typed.protectedSecret = *protectedSecret;
  }
  return typed;
}

}  // namespace zq
