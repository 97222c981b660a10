// The mail settings dialog.
#include "console/frmMailSetting.h"

#include "common/Cp932.h"
#include "common/Hourglass.h"
#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "common/ProtectedText_win.h"
#include "common/SecretText.h"
#include "console/frmMailSettingIds.h"
#include "console/report/ReportFiles_win.h"
#include "console/report/ReportParameters.h"
#include "console/report/TestSend_win.h"

namespace zq {

frmMailSetting::frmMailSetting(SavedFunction onSaved)
    : ModelessDialog(IDD_frmMailSetting), onSaved_(std::move(onSaved)) {}

namespace {

// The text boxes in key order (SmtpServer, SmtpPort, From, To, Subject).
constexpr int kFieldIds[] = {IDE_txtSmtpServer, IDE_txtSmtpPort, IDE_txtFrom, IDE_txtTo,
                             IDE_txtSubject};

}  // namespace

void frmMailSetting::OnInit() { Form_Load(); }

bool frmMailSetting::OnCommand(int id, int code) {
  switch (id) {
    case IDB_cmdButton0:  // 保存
      Save();
      return true;
    case IDB_cmdButton1:  // キャンセル
    case IDCANCEL:
      Destroy();
      return true;
    case IDB_cmdTestSend:
      cmdTestSend_Click();
      return true;
    case IDC_cboSecurity:
      if (code == CBN_SELCHANGE) cboSecurity_Click();
      return true;
  }
  if (oauth_.OnCommand(id, code)) return true;
  // A text box that gets the focus selects its whole text, so typing replaces it.
  if (code == EN_SETFOCUS) ::SendMessageA(::GetDlgItem(window(), id), EM_SETSEL, 0, -1);
  return true;
}

void frmMailSetting::Form_Load() {
  ::SetWindowTextA(window(), (std::string("設定 - ") + kTervaskTitle).c_str());
  CentreOnScreen();
  // Every opening reads the file afresh, not the values in memory.
  for (int field = 0; field < 5; ++field) {
    SetItemText(kFieldIds[field], ReadSetting(kSettingsSection, kMailSettingKeys[field]));
  }
  for (const char* text : kSecurityTexts) {
    ::SendDlgItemMessageA(window(), IDC_cboSecurity, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(text));
  }
  ::SendDlgItemMessageA(window(), IDC_cboSecurity, CB_SETCURSEL,
                        SecurityIndexOf(ReadSetting(kSettingsSection, kMailSecurityKeys[0])), 0);
  SetItemText(IDE_txtUser, ReadSetting(kSettingsSection, kMailSecurityKeys[1]));
  // The stored password is shown masked; one that cannot be read here is typed again.
  const auto password = UnprotectText(ReadSetting(kSettingsSection, kMailSecurityKeys[2]));
  SetItemText(IDE_txtPassword, password.value_or(""));
  caFile_ = ReadSetting(kSettingsSection, kMailSecurityKeys[3]);
  oauth_ = OAuthControls(window());
  oauth_.Load();
  SetItemText(IDE_txtSmtpServer2, ReadSetting(kSettingsSection, kSecondRelayKeys[0]));
  SetItemText(IDE_txtSmtpPort2, ReadSetting(kSettingsSection, kSecondRelayKeys[1]));
  AddToolTip(IDE_txtSmtpServer2,
             "サーバが一時的に受け付けないとき、または接続できないときに使うSMTPサーバ（空欄可）");
  AddToolTip(IDE_txtSmtpPort2, "予備サーバのポート番号（空欄ならサーバと同じ）");
  AddToolTip(IDE_txtSmtpServer, "SMTPサーバ名 or SMTPサーバIPアドレスを指定します");
  AddToolTip(IDE_txtSmtpPort, "SMTPサーバのポート番号を指定します");
  AddToolTip(IDC_cboSecurity, "暗号化の方法を指定します（STARTTLS: 587、SSL/TLS: 465）");
  AddToolTip(IDE_txtUser, "SMTP認証のユーザー名を指定します（認証しない場合は空欄）");
  AddToolTip(IDE_txtPassword, "SMTP認証のパスワードを指定します（保護して保存されます）");
  AddToolTip(IDE_txtFrom, "送信者メールアドレスを指定します");
  AddToolTip(
      IDE_txtTo,
      "宛先メールアドレスを指定します。複数の宛先を指定する場合はセミコロン（;）で区切ります。");
  AddToolTip(IDE_txtSubject, "メールの件名を指定します");
  AddToolTip(IDB_cmdTestSend, "この設定で試しにメールを送信します");
  AddToolTip(IDB_cmdButton0, "設定を保存");
  AddToolTip(IDB_cmdButton1, "キャンセル");
}

void frmMailSetting::cboSecurity_Click() {
  SetItemText(IDE_txtSmtpPort, ProposedPort(ItemText(IDE_txtSmtpPort), SecurityIndex()));
}

int frmMailSetting::SecurityIndex() const {
  const auto index = ::SendDlgItemMessageA(window(), IDC_cboSecurity, CB_GETCURSEL, 0, 0);
  return index >= 0 && index < 3 ? static_cast<int>(index) : 0;
}

// The values typed, checked as a save checks them, the password protected. Nothing when a
// check refused (its message shown, the focus on the field).
std::optional<frmMailSetting::Typed> frmMailSetting::ReadTyped() {
  Typed typed;
  for (int field = 0; field < 5; ++field) {
    MailSettingField(typed.mail, field) = ItemText(kFieldIds[field]);
  }
  const MailSettingsRefusal refusal = CheckMailSettings(typed.mail);
  if (refusal.field >= 0) {
    TervaskMessage(refusal.message, kMbExclamation);
    ::SetFocus(::GetDlgItem(window(), kFieldIds[refusal.field]));
    return std::nullopt;
  }
  typed.mail = TrimmedMailSettings(typed.mail);
  typed.relay2 = {std::string(TrimBlanks(ItemText(IDE_txtSmtpServer2))),
                  std::string(TrimBlanks(ItemText(IDE_txtSmtpPort2)))};
  if (const char* relay = CheckSecondRelay(typed.relay2.server, typed.relay2.port); *relay) {
    TervaskMessage(relay, kMbExclamation);
    ::SetFocus(::GetDlgItem(window(), IDE_txtSmtpPort2));
    return std::nullopt;
  }
  const std::string user(TrimBlanks(ItemText(IDE_txtUser)));
  std::string password = ItemText(IDE_txtPassword);
  const std::optional<MailOAuth> oauth = oauth_.Read(SecurityIndex(), user);
  if (!oauth) return std::nullopt;
  typed.oauth = *oauth;
  if (oauth_.UsesOAuth()) WipeString(password);  // the token signs in instead
  if (const char* login = oauth_.UsesOAuth() ? "" : CheckLogin(SecurityIndex(), user, password);
      *login) {
    TervaskMessage(login, kMbExclamation);
    ::SetFocus(::GetDlgItem(window(), SecurityIndex() == 0 ? IDC_cboSecurity : IDE_txtPassword));
    return std::nullopt;
  }
  typed.security = {kSecurityWords[SecurityIndex()], user, "", caFile_};
  if (!user.empty() && !oauth_.UsesOAuth()) {
    // Only this user reads the settings' copy; a report job gets a machine copy of its own.
    const auto protectedPassword = ProtectText(password, SecretScope::kCurrentUser);
    WipeString(password);
    if (!protectedPassword) {
      TervaskMessage("パスワードを保護できませんでした。\r\n" + LastFailure().text, kMbExclamation);
      return std::nullopt;
    }
    typed.security.protectedPassword = *protectedPassword;
  }
  return typed;
}

void frmMailSetting::Save() {
  const auto typed = ReadTyped();
  if (!typed) return;
  g_mailSettings = typed->mail;
  g_mailSecurity = typed->security;
  g_secondRelay = typed->relay2;
  g_mailOAuth = typed->oauth;
  std::uint32_t failure = ProtectSettingsFile();
  auto write = [&failure](const char* key, const std::string& value) {
    const std::uint32_t error = WriteSetting(kSettingsSection, key, value);
    if (failure == 0) failure = error;
  };
  for (int field = 0; field < 5; ++field) {
    write(kMailSettingKeys[field], MailSettingField(g_mailSettings, field));
  }
  for (int field = 0; field < 3; ++field) {  // the certificate file is kept as it is
    write(kMailSecurityKeys[field], MailSecurityField(g_mailSecurity, field));
  }
  write(kSecondRelayKeys[0], g_secondRelay.server);
  write(kSecondRelayKeys[1], g_secondRelay.port);
  for (int field = 0; field < kOAuthFieldCount; ++field) {
    write(kReportKeys[kKeySmtpAuth + field], MailOAuthField(g_mailOAuth, field));
  }
  // One report per save; the values still apply to this session.
  if (failure != 0) {
    TervaskMessage(SettingsWriteFailureText(g_settingsFilePath, FailureOf(failure).text),
                   kMbExclamation);
  } else {
    TervaskMessage("設定が変更されました！", kMbInformation);
  }
  if (onSaved_) onSaved_(g_mailSettings);
  Destroy();
}

// Mails an empty report with the values as typed through the real sender, then shows how it
// went and the session trace. Nothing is saved.
void frmMailSetting::cmdTestSend_Click() {
  const auto typed = ReadTyped();
  if (!typed) return;
  ReportPanel panel;
  panel.sections[kSectionMail] = true;
  panel.mail = typed->mail;
  panel.security = typed->security;
  panel.relay2 = typed->relay2;
  panel.oauth = typed->oauth;
  panel.retryMinutes = "0";  // the answer comes now, not after minutes of retries
  const std::string directory = ProgramDirectory();
  const std::string text = BuildParameterText(panel, directory, CreatedText(SystemClock().Now()));
  TestSendOutcome outcome;
  ::EnableWindow(window(), FALSE);  // one test at a time; the window still paints
  {
    Hourglass hourglass;
    outcome = RunTestSend(PathInDirectory(directory, kSenderProgramName), text);
  }
  ::EnableWindow(window(), TRUE);
  if (!outcome.failure.empty()) {
    TervaskMessage("テスト送信を実行できませんでした。\r\n" + outcome.failure, kMbExclamation);
    return;
  }
  TervaskMessage(SenderOutcomeText(outcome.exitCode) + "\r\n\r\n" + outcome.trace,
                 outcome.exitCode == 0 ? kMbInformation : kMbExclamation);
}

}  // namespace zq
