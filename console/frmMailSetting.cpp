// The mail settings dialog.
#include "console/frmMailSetting.h"

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/frmMailSettingIds.h"

namespace zq {

frmMailSetting::frmMailSetting(SavedFunction onSaved)
    : ModelessDialog(IDD_frmMailSetting), onSaved_(std::move(onSaved)) {}

namespace {

// The text boxes in key order (SmtpServer, SmtpPort, From, To, Subject).
constexpr int kFieldIds[] = {IDE_txtSmtpServer, IDE_txtSmtpPort, IDE_txtFrom, IDE_txtTo,
                             IDE_txtSubject};

}  // namespace

INT_PTR frmMailSetting::OnMessage(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      Form_Load();
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDB_cmdButton0:
          cmdButton_Click(0);
          return TRUE;
        case IDB_cmdButton1:
        case IDCANCEL:
          cmdButton_Click(1);
          return TRUE;
      }
      // A text box that gets the focus selects its whole text, so typing replaces it.
      if (HIWORD(wParam) == EN_SETFOCUS) {
        ::SendMessageA(reinterpret_cast<HWND>(::GetDlgItem(window(), LOWORD(wParam))), EM_SETSEL, 0,
                       -1);
      }
      return TRUE;
  }
  return FALSE;
}

void frmMailSetting::Form_Load() {
  ::SetWindowTextA(window(), (std::string("設定 - ") + kTervaskTitle).c_str());
  CentreOnScreen();
  // Every opening reads the file afresh, not the values in memory.
  for (int field = 0; field < 5; ++field) {
    SetItemText(kFieldIds[field], ReadSetting(kSettingsSection, kMailSettingKeys[field]));
  }
  AddToolTip(IDE_txtSmtpServer, "SMTPサーバ名 or SMTPサーバIPアドレスを指定します");
  AddToolTip(IDE_txtSmtpPort, "SMTPサーバのポート番号を指定します");
  AddToolTip(IDE_txtFrom, "送信者メールアドレスを指定します");
  AddToolTip(
      IDE_txtTo,
      "宛先メールアドレスを指定します。複数の宛先を指定する場合はセミコロン（;）で区切ります。");
  AddToolTip(IDE_txtSubject, "メールの件名を指定します");
  AddToolTip(IDB_cmdButton0, "設定を保存");
  AddToolTip(IDB_cmdButton1, "キャンセル");
}

void frmMailSetting::cmdButton_Click(int index) {
  if (index == 0) return Save();
  Destroy();
}

void frmMailSetting::Save() {
  MailSettings typed;
  for (int field = 0; field < 5; ++field) {
    MailSettingField(typed, field) = ItemText(kFieldIds[field]);
  }
  const MailSettingsRefusal refusal = CheckMailSettings(typed);
  if (refusal.field >= 0) {
    TervaskMessage(refusal.message, kMbExclamation);
    ::SetFocus(::GetDlgItem(window(), kFieldIds[refusal.field]));
    return;
  }
  const MailSettings saved = TrimmedMailSettings(typed);
  g_mailSettings = saved;
  std::uint32_t failure = 0;
  for (int field = 0; field < 5; ++field) {
    const std::uint32_t error = WriteSetting(kSettingsSection, kMailSettingKeys[field],
                                             MailSettingField(g_mailSettings, field));
    if (failure == 0) failure = error;
  }
  // One report per save; the values still apply to this session.
  if (failure != 0) {
    TervaskMessage(SettingsWriteFailureText(g_settingsFilePath, GetSystemErrorText(failure)),
                   kMbExclamation);
  } else {
    TervaskMessage("設定が変更されました！", kMbInformation);
  }
  if (onSaved_) onSaved_(saved);
  Destroy();
}

}  // namespace zq
