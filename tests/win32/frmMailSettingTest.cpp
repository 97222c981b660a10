// The mail settings dialog created headless from its real template and driven by messages:
// what a save refuses and where the focus goes, the bytes a good save writes, a settings
// file that cannot be written, cancel; every box recorded, none shown.
#include "console/frmMailSetting.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <vector>

#include "common/MessageBox.h"
#include "console/frmMailSettingIds.h"
#include "tests/win32/TempDir.h"

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
  std::optional<MailSettings> Press(const std::optional<Typed>& typed, int button) {
    g_boxes.clear();
    std::optional<MailSettings> saved;
    frmMailSetting dialog([&](const MailSettings& s) { saved = s; });
    EXPECT_TRUE(dialog.Create());
    for (int i = 0; i < 5; ++i) {
      loaded_[i] = test::ItemText(dialog.window(), kFieldIds[i]);
      if (typed) ::SetDlgItemTextA(dialog.window(), kFieldIds[i], (*typed)[i].c_str());
    }
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
            "SmtpSecurity=\r\nSmtpUser=\r\nSmtpPassword=\r\nSmtpServer2=\r\nSmtpPort2=\r\n");
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
