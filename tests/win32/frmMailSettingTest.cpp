// The mail settings dialog created headless from its real template and driven by messages:
// what a save refuses and where the focus goes, the bytes a good save writes, a settings
// file that cannot be written, cancel; every box recorded, none shown.
#include "console/frmMailSetting.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "common/MessageBox.h"
#include "common/ProtectedText_win.h"
#include "console/frmMailSettingIds.h"
#include "tests/win32/TempDir.h"

#include <functional>

namespace zq {
namespace {

constexpr int kFieldIds[] = {IDE_txtSmtpServer, IDE_txtSmtpPort, IDE_txtFrom, IDE_txtTo,
                             IDE_txtSubject};
using Typed = std::array<std::string, 5>;

std::vector<std::pair<std::string, unsigned>> g_boxes;
int RecordBox(const std::string& text, const std::string& title, unsigned style) {
  EXPECT_EQ(title, "zqTervask");
  g_boxes.emplace_back(text, style);
  return kIdOk;
}

class MailSettingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetMessageBoxFunction(RecordBox);
    g_settingsFilePath = dir_.File("zqTervask.ini");
    g_mailSettings = {};
  }
  void TearDown() override { SetMessageBoxFunction(previous_); }

  // Opens the dialog, types the values (nullopt: leaves what it loaded), presses `button`;
  // returns what the main window was given.
  std::optional<MailSettings> Press(const std::optional<Typed>& typed, int button,
                                    const std::function<void(HWND)>& more = {}) {
    g_boxes.clear();
    std::optional<MailSettings> saved;
    frmMailSetting dialog([&](const MailSettings& s) { saved = s; });
    EXPECT_TRUE(dialog.Create());
    for (int i = 0; i < 5; ++i) {
      loaded_[i] = test::ItemText(dialog.window(), kFieldIds[i]);
      if (typed) ::SetDlgItemTextA(dialog.window(), kFieldIds[i], (*typed)[i].c_str());
    }
    if (more) more(dialog.window());
    ::SendMessageA(dialog.window(), WM_COMMAND, button, 0);
    stillOpen_ = dialog.window() != nullptr;
    focus_ = stillOpen_ ? ::GetDlgCtrlID(::GetFocus()) : 0;
    return saved;
  }

  test::TempDir dir_;
  MessageBoxFunction previous_ = nullptr;
  Typed loaded_;
  bool stillOpen_ = false;
  int focus_ = 0;
};

TEST_F(MailSettingTest, RefusedSavesKeepTheDialogOpenAndFocusTheField) {
  const struct {
    Typed typed;
    int field;
    const char* message;
  } cases[] = {
      {{"", "abc", "f", "t", "s"}, 0, "SMTPサーバを指定してください。"},
      {{"m", "  ", "f", "t", "s"}, 1, "サーバのポートを指定してください。"},
      {{"m", "abc", "f", "t", "s"}, 1, "ポート番号は1から65535の数値で指定してください。"},
      {{"m", "65536", "f", "t", "s"}, 1, "ポート番号は1から65535の数値で指定してください。"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Press(c.typed, IDB_cmdButton0)) << c.message;
    EXPECT_TRUE(stillOpen_);
    EXPECT_EQ(focus_, kFieldIds[c.field]) << c.message;
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], std::make_pair(std::string(c.message), unsigned{kMbExclamation}));
  }
  EXPECT_EQ(::GetFileAttributesA(g_settingsFilePath.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MailSettingTest, AGoodSaveWritesTrimmedValuesAndQuotesReadBackAsSaved) {
  const auto saved = Press(
      Typed{" mail.example.jp ", "587 ", "zq@example.jp", "a@x;b@x", " \"週報\" "}, IDB_cmdButton0);
  ASSERT_TRUE(saved);
  EXPECT_FALSE(stillOpen_);
  EXPECT_EQ(saved->smtpServer, "mail.example.jp");
  EXPECT_EQ(saved->subject, "\"週報\"");
  EXPECT_EQ(g_mailSettings.smtpPort, "587");
  EXPECT_EQ(g_boxes, (decltype(g_boxes){{"設定が変更されました！", kMbInformation}}));
  EXPECT_EQ(test::ReadFileBytes(g_settingsFilePath),
            "[zqTervask]\r\nSmtpServer=mail.example.jp\r\nSmtpPort=587\r\n"
            "From=zq@example.jp\r\nTo=a@x;b@x\r\nSubject=\"\"週報\"\"\r\n"
            "SmtpSecurity=\r\nSmtpUser=\r\nSmtpPassword=\r\nSmtpServer2=\r\nSmtpPort2=\r\n"
            "SmtpAuth=\r\nSmtpOAuthTokenUrl=\r\nSmtpOAuthClientId=\r\nSmtpOAuthScope=\r\n"
            "SmtpOAuthSecret=\r\nSmtpOAuthKeyFile=\r\nSmtpOAuthSubject=\r\n");
  Press(std::nullopt, IDB_cmdButton1);  // the next opening reads the file afresh
  EXPECT_EQ(loaded_, (Typed{"mail.example.jp", "587", "zq@example.jp", "a@x;b@x", "\"週報\""}));
}

TEST_F(MailSettingTest, AFileThatCannotBeWrittenIsReportedOnceWithoutConfirmation) {
  // The tests run as root, for whom a read-only file is writable: a directory that is not
  // there stands in for it.
  g_settingsFilePath = dir_.File("missing\\zqTervask.ini");
  const auto saved = Press(Typed{"m", "25", "f", "t", "s"}, IDB_cmdButton0);
  ASSERT_TRUE(saved) << "the values still apply to this session";
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].first.rfind(
                g_settingsFilePath + " ファイルの書き込み時にエラーが発生しました。\r\n", 0),
            0u);
  EXPECT_EQ(g_boxes[0].second, unsigned{kMbExclamation});
  EXPECT_EQ(g_mailSettings.smtpServer, "m");
}

// OAuth 2.0 through the Microsoft 365 preset: refused without TLS or with a token URL that is
// not https; saved with the secret protected, shown again masked at the next opening.
TEST_F(MailSettingTest, OAuthIsCheckedAndSavedWithItsSecretProtected) {
  const auto oauth = [](int security, const char* url) {
    return [=](HWND w) {
      ::SendDlgItemMessageA(w, IDC_cboSecurity, CB_SETCURSEL, security, 0);
      ::SendDlgItemMessageA(w, IDC_cboAuth, CB_SETCURSEL, 1, 0);
      ::SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_cboAuth, CBN_SELCHANGE), 0);
      ::SetDlgItemTextA(w, IDE_txtUser, "report@example.jp");
      ::SetDlgItemTextA(w, IDE_txtTenant, "contoso.onmicrosoft.com");
      ::SendMessageA(w, WM_COMMAND, IDB_cmdMicrosoft, 0);
      if (url) ::SetDlgItemTextA(w, IDE_txtTokenUrl, url);
      ::SetDlgItemTextA(w, IDE_txtClientId, "c1");
      ::SetDlgItemTextA(w, IDE_txtSecret, "s3cret");
    };
  };
  const Typed typed{"smtp.office365.com", "587", "report@example.jp", "a@x", "s"};
  EXPECT_FALSE(Press(typed, IDB_cmdButton0, oauth(0, nullptr)));
  EXPECT_EQ(g_boxes.at(0).first, "OAuth 2.0 の認証には STARTTLS か SSL/TLS を選んでください。");
  EXPECT_FALSE(Press(typed, IDB_cmdButton0, oauth(1, "http://login.example/token")));
  EXPECT_EQ(focus_, IDE_txtTokenUrl);
  ASSERT_TRUE(Press(typed, IDB_cmdButton0, oauth(1, nullptr)));
  const std::string file = test::ReadFileBytes(g_settingsFilePath);
  EXPECT_NE(file.find("SmtpAuth=OAUTH2\r\nSmtpOAuthTokenUrl=https://login.microsoftonline.com/"
                      "contoso.onmicrosoft.com/oauth2/v2.0/token\r\nSmtpOAuthClientId=c1\r\n"
                      "SmtpOAuthScope=https://outlook.office365.com/.default\r\nSmtpOAuthSecret="),
            std::string::npos)
      << file;
  EXPECT_EQ(file.find("s3cret"), std::string::npos);
  EXPECT_EQ(UnprotectText(g_mailOAuth.protectedSecret), "s3cret");
  std::string shown;
  Press(std::nullopt, IDB_cmdButton1, [&](HWND w) { shown = test::ItemText(w, IDE_txtSecret); });
  EXPECT_EQ(shown, "s3cret");
}

TEST_F(MailSettingTest, CancelChangesNothing) {
  g_mailSettings.subject = "before";
  EXPECT_FALSE(Press(Typed{"m", "25", "f", "t", "s"}, IDB_cmdButton1));
  EXPECT_FALSE(stillOpen_);
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(g_mailSettings.subject, "before");
  EXPECT_EQ(::GetFileAttributesA(g_settingsFilePath.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace zq
