// The console's shared rules: time of day as typed, the port text, what a mail settings save
// refuses first, paths.
#include <gtest/gtest.h>

#include <tuple>

#include "console/basTervask.h"
#include "console/report/ReportParameters.h"

namespace zq {
namespace {

TEST(NormalizeTimeText, CharactersNotBytes) {
  const std::pair<const char*, const char*> cases[] = {
      {"09:30", "09:30"}, {"09：30", "09:30"}, {"10:75", "11:15"}, {"23:59", "23:59"},
      {"23:60", ""},      {"24:00", ""},       {"9:30", ""},       {"ab:cd", ""},
      {"0930 ", ""},      {" 9:30", "09:30"},  {"9 :5 ", "09:05"}, {"０９:３０", "09:30"},
      {"-1:30", ""},      {"+1:30", ""},       {"1.:30", ""},      {"  :30", ""},
      {"09:30 ", ""},     {"表9:30", ""},      {"00:00", "00:00"}, {"09;30", ""},
  };
  for (const auto& [typed, normal] : cases) EXPECT_EQ(NormalizeTimeText(typed), normal) << typed;
}

TEST(MailSettingsSave, EmptinessFirstThenThePort) {
  const MailSettings good{" mail.example.jp ", "25", "a@x", "b@x", " 週報 "};
  EXPECT_EQ(CheckMailSettings(good).field, -1);
  EXPECT_EQ(TrimmedMailSettings(good).smtpServer, "mail.example.jp");
  EXPECT_EQ(TrimmedMailSettings(good).subject, "週報");
  struct Case {
    MailSettings typed;
    int field;
    std::string message;
  } const cases[] = {
      {{"", "abc", "", "", ""}, 0, "SMTPサーバを指定してください。"},
      {{"s", "  ", "f", "t", "j"}, 1, "サーバのポートを指定してください。"},
      {{"s", "abc", "", "t", "j"}, 2, "送信者アドレスを指定してください。"},
      {{"s", "abc", "f", "t", " "}, 4, "件名を指定してください。"},
      {{"s", "abc", "f", "t", "j"}, 1, "ポート番号は1から65535の数値で指定してください。"},
  };
  for (const auto& c : cases) {
    const MailSettingsRefusal refusal = CheckMailSettings(c.typed);
    EXPECT_EQ(refusal.field, c.field) << c.message;
    EXPECT_EQ(refusal.message, c.message);
  }
  for (const char* port : {"0", "65536", "123456", "２５", "+25", " 2 5"}) {
    EXPECT_FALSE(IsPortText(port)) << port;
  }
  EXPECT_TRUE(IsPortText("65535"));
}

TEST(MailSecurity, PortsFollowTheChoiceAndLoginsNeedTls) {
  const std::tuple<const char*, int, const char*> ports[] = {
      {"25", 1, "587"}, {"587", 2, "465"}, {"", 2, "465"}, {"465", 0, "25"}, {"2525", 1, "2525"}};
  for (const auto& [typed, index, proposed] : ports) {
    EXPECT_EQ(ProposedPort(typed, index), proposed) << typed << " " << index;
  }
  EXPECT_STREQ(CheckLogin(0, "", ""), "");
  EXPECT_STRNE(CheckLogin(0, "user", "secret"), "") << "no login without TLS";
  EXPECT_STRNE(CheckLogin(1, "user", ""), "");
  EXPECT_EQ(SecurityIndexOf(" starttls "), 1);
  EXPECT_EQ(SecurityIndexOf("SSL"), 0);
  // The second relay is optional; a port of its own must be a port, and needs the relay.
  for (const auto& [server, port, refused] : {std::tuple{"", "", false}, {"r2", "", false},
                                              {"r2", " 2525 ", false}, {"r2", "0", true},
                                              {"", "25", true}}) {
    EXPECT_EQ(*CheckSecondRelay(server, port) != '\0', refused) << server << ":" << port;
  }
  EXPECT_STREQ(CheckRetryMinutes(" 0 "), "");
  EXPECT_STRNE(CheckRetryMinutes("1441"), "");
}

TEST(SettingsText, PathsJoinOnce) {
  EXPECT_EQ(PathInDirectory("C:\\", "zqTervask.hlp"), "C:\\zqTervask.hlp");
  EXPECT_EQ(PathInDirectory("C:\\zq", "zqTervask.ini"), "C:\\zq\\zqTervask.ini");
  EXPECT_EQ(PathInDirectory("C:\\表", "x"), "C:\\表\\x");  // trail byte 0x5C
}

}  // namespace
}  // namespace zq
