// The SMTP dialogue state machine, the DATA encoder and the socket layer's texts.
#include <gtest/gtest.h>

#include "sender/mail/MailSession.h"
#include "sender/mail/SmtpDialogue.h"
#include "sender/mail/SocketText.h"

namespace zq {
namespace {

// Feeds replies one after the other; returns the bytes queued in between.
std::string Converse(SmtpDialogue& d, std::initializer_list<std::string_view> replies) {
  std::string sent;
  for (std::string_view reply : replies) {
    d.Receive(reply);
    d.TakeOutput(sent);
  }
  return sent;
}

TEST(SmtpDialogue, CommandsInOrderThenQuitAfterTheFinalReply) {
  SmtpDialogue d("PC01", "zq@example.jp", " a@example.jp ; b@example.jp ;");
  EXPECT_EQ(Converse(d, {"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n"}),
            "HELO PC01\r\nMAIL FROM:<zq@example.jp>\r\nRCPT TO:<a@example.jp>\r\n"
            "RCPT TO:<b@example.jp>\r\nDATA\r\n");
  d.Receive("354 go\r\n");
  ASSERT_EQ(d.phase(), SmtpDialogue::Phase::kMessage);
  std::string text;
  d.AddMessageText("Subject: x\r\n\r\n.one\r\n", text);
  d.AddMessageText(".\r", text);
  d.AddMessageText("\nbare\nlast", text);
  d.EndMessage();
  d.TakeOutput(text);
  EXPECT_EQ(text, "Subject: x\r\n\r\n..one\r\n..\r\nbare\r\nlast\r\n\r\n.\r\n");
  d.EndHandedOver();
  EXPECT_EQ(Converse(d, {"250 queued\r\n"}), "QUIT\r\n");
  EXPECT_TRUE(d.decided());
  EXPECT_EQ(d.result(), kMailSent);
  d.Receive("221 bye\r\n");
  EXPECT_TRUE(d.finished());
}

TEST(SmtpDialogue, RepliesAreJudgedByTheirLastLineWhateverTheirSize) {
  SmtpDialogue d("", "f@x", "t@x");
  // A greeting split over segments and spread over lines is one greeting; its first line's
  // code does not count.
  EXPECT_EQ(Converse(d, {"55", "4-first\r\n220-sec", "ond\r", "\n220 last\r\n"}),
            "HELO localhost\r\n");
  // A multi-line reply whose first line carries 250 is judged by its last.
  EXPECT_EQ(Converse(d, {"250-x\r\n", "550 no\r\n"}), "QUIT\r\n");
  EXPECT_EQ(d.result(), kMailBadHeloReply);

  // 999 continuation lines are read with a line's memory; a thousandth, or one line over
  // 4096 bytes, fails the step.
  SmtpDialogue big("h", "f", "t");
  for (int i = 0; i < 999; ++i) big.Receive("220-" + std::string(46, 'x') + "\r\n");
  EXPECT_EQ(Converse(big, {"220 ready\r\n"}), "HELO h\r\n");
  SmtpDialogue endless("h", "f", "t");
  for (int i = 0; i < 999; ++i) endless.Receive("220-x\r\n");
  EXPECT_EQ(Converse(endless, {"220-x\r\n"}), "QUIT\r\n");
  EXPECT_EQ(endless.result(), kMailBadGreeting);
  SmtpDialogue longLine("h", "f", "t");
  longLine.Receive("220 " + std::string(3000, 'x'));
  EXPECT_EQ(Converse(longLine, {std::string(2000, 'x') + "\r\n221 bye\r\n"}), "QUIT\r\n");
  EXPECT_EQ(longLine.result(), kMailBadGreeting);
  EXPECT_TRUE(longLine.finished());
}

TEST(SmtpDialogue, EachStepHasItsResultCodeAndEndsWithQuit) {
  const std::string_view ok[] = {"220 a\r\n", "250 b\r\n", "250 c\r\n",
                                 "250 d\r\n", "250 e\r\n", "354 f\r\n"};
  const int expected[] = {kMailBadGreeting,      kMailBadHeloReply,          kMailBadMailFromReply,
                          kMailBadMailFromReply, kMailBadLastRecipientReply, kMailBadDataReply,
                          kMailRejected};
  // The same step codes for a refusal and for a 4xx, which alone asks to be tried again.
  for (const std::string refusal : {"554 refused", "451 later"}) {
    for (std::size_t failAt = 0; failAt <= std::size(ok); ++failAt) {
      SmtpDialogue d("h", "f@x", "a@x;b@x");
      for (std::size_t i = 0; i < failAt; ++i) d.Receive(ok[i]);
      std::string ignored;
      if (failAt == std::size(ok)) d.EndMessage();
      d.TakeOutput(ignored);
      d.EndHandedOver();
      EXPECT_EQ(Converse(d, {refusal + "\r\n"}), "QUIT\r\n") << "step " << failAt;
      EXPECT_EQ(d.result(), expected[failAt]) << "step " << failAt;
      EXPECT_EQ(d.transient(), refusal[0] == '4') << "step " << failAt;
      const auto notices = d.TakeNotices();
      EXPECT_EQ(notices[notices.size() - 2].text, "SMTPエラー: " + refusal + "\r\n");
    }
  }
  // A failure of our own after a 250 (no STARTTLS offered) is not a 4xx.
  SmtpSecurity startTls;
  startTls.mode = SmtpSecurity::kStartTls;
  SmtpDialogue tls("h", "f", "t", startTls);
  Converse(tls, {"220 a\r\n", "250 b\r\n"});
  EXPECT_EQ(tls.result(), kMailStartTlsNotOffered);
  EXPECT_FALSE(tls.transient());
}

// Once the end of the message is with the socket, a broken connection leaves the outcome
// unknown; before that it is the failure itself. The user's close stays the user's close.
TEST(SmtpDialogue, AbortWhileTheFinalReplyIsDueLeavesTheOutcomeUnknown) {
  struct Case {
    bool handedOver;
    int abort, expected;
  };
  for (const Case c : {Case{true, kMailClosedByServer, kMailOutcomeUnknown},
                       Case{true, kMailTimedOut, kMailOutcomeUnknown},
                       Case{true, kExitClosedByUser, kExitClosedByUser},
                       Case{false, kMailClosedByServer, kMailClosedByServer}}) {
    SmtpDialogue d("h", "f", "t");
    Converse(d, {"220 a\r\n", "250 b\r\n", "250 c\r\n", "250 d\r\n", "354 e\r\n"});
    d.EndMessage();
    if (c.handedOver) d.EndHandedOver();
    d.Abort(c.abort);
    EXPECT_EQ(d.result(), c.expected) << c.abort;
    EXPECT_FALSE(d.transient());
  }
}

TEST(SmtpDialogue, HostileServersNeverGiveSuccess) {
  const std::initializer_list<std::string_view> toData = {"220 a\r\n", "250 b\r\n", "250 c\r\n",
                                                          "250 d\r\n", "354 e\r\n"};
  SmtpDialogue early("h", "f", "t");
  Converse(early, toData);
  // A reply while the message is still being sent: no QUIT in the middle of the text.
  EXPECT_EQ(Converse(early, {"250 too early\r\n"}), "");
  EXPECT_EQ(early.result(), kMailRejected);
  EXPECT_TRUE(early.finished());

  SmtpDialogue beforeHandOver("h", "f", "t");
  Converse(beforeHandOver, toData);
  beforeHandOver.EndMessage();
  beforeHandOver.Receive("250 queued\r\n");  // the end line is not yet with the socket
  EXPECT_EQ(beforeHandOver.result(), kMailRejected);

  SmtpDialogue injected("h\r\nRSET", "f>\r\nRSET", "t\r\nQUIT");
  EXPECT_EQ(Converse(injected, {"220 a\r\n", "250 b\r\n", "250 c\r\n"}),
            "HELO hRSET\r\nMAIL FROM:<f>RSET>\r\nRCPT TO:<tQUIT>\r\n");
}

TEST(SmtpDataEncoder, BareBreaksBecomeCrLfAndEmptyTextStillEnds) {
  SmtpDataEncoder e;
  std::string out;
  e.Append("a\r\rb\r", out);
  e.Append(".c", out);
  e.Finish(out);
  EXPECT_EQ(out, "a\r\n\r\nb\r\n..c\r\n\r\n.\r\n");
  SmtpDataEncoder empty;
  out.clear();
  empty.Finish(out);
  EXPECT_EQ(out, "\r\n.\r\n");
}

TEST(SmtpDialogue, SecuredSessionsLogInOnlyOverTlsAndNeverFallBack) {
  using Mode = SmtpSecurity::Mode;
  struct Case {
    const char* name;
    Mode mode;
    std::vector<std::string> replies;
    std::string sent;
    int result;
    std::string token = {};
  } const cases[] = {
      {"STARTTLS, fresh capabilities, PLAIN",
       Mode::kStartTls,
       {"220 hi\r\n", "250-x\r\n250-starttls\r\n250 AUTH PLAIN\r\n", "220 go\r\n",
        "250-x\r\n250 AUTH LOGIN PLAIN\r\n", "235 ok\r\n"},
       "EHLO h\r\nSTARTTLS\r\nEHLO h\r\nAUTH PLAIN AHUAcA==\r\nMAIL FROM:<f>\r\n",
       kMailUndecided},
      {"STARTTLS not offered: no login, no mail",
       Mode::kStartTls,
       {"220 hi\r\n", "250-x\r\n250 AUTH PLAIN\r\n"},
       "EHLO h\r\nQUIT\r\n",
       kMailStartTlsNotOffered},
      {"STARTTLS refused",
       Mode::kStartTls,
       {"220 hi\r\n", "250 STARTTLS\r\n", "454 no\r\n"},
       "EHLO h\r\nSTARTTLS\r\nQUIT\r\n",
       kMailStartTlsNotOffered},
      {"clear bytes behind the 220 to STARTTLS",
       Mode::kStartTls,
       {"220 hi\r\n", "250 STARTTLS\r\n", "220 go\r\n250 injected\r\n"},
       "EHLO h\r\nSTARTTLS\r\n",
       kMailTlsFailed},
      {"implicit TLS, old AUTH=LOGIN, refused",
       Mode::kImplicitTls,
       {"220 hi\r\n", "250-x\r\n250 AUTH=LOGIN\r\n", "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
        "535 no\r\n"},
       "EHLO h\r\nAUTH LOGIN\r\ndQ==\r\ncA==\r\nQUIT\r\n",
       kMailAuthRefused},
      {"implicit TLS, no mechanism offered",
       Mode::kImplicitTls,
       {"220 hi\r\n", "250 x\r\n"},
       "EHLO h\r\nQUIT\r\n",
       kMailAuthRefused},
      {"XOAUTH2 with a token, never the password",
       Mode::kImplicitTls,
       {"220 hi\r\n", "250-x\r\n250 AUTH PLAIN XOAUTH2\r\n", "235 ok\r\n"},
       "EHLO h\r\nAUTH XOAUTH2 dXNlcj11AWF1dGg9QmVhcmVyIFQBAQ==\r\nMAIL FROM:<f>\r\n",
       kMailUndecided,
       "T"},
      {"XOAUTH2 refused: the challenge answered empty, then the refusal",
       Mode::kImplicitTls,
       {"220 hi\r\n", "250 AUTH XOAUTH2\r\n", "334 eyJzdGF0dXMiOiI0MDEifQ==\r\n", "535 5.7.3\r\n"},
       "EHLO h\r\nAUTH XOAUTH2 dXNlcj11AWF1dGg9QmVhcmVyIFQBAQ==\r\n\r\nQUIT\r\n",
       kMailAuthRefused,
       "T"},
      {"XOAUTH2 not offered: no fall-back to the password",
       Mode::kImplicitTls,
       {"220 hi\r\n", "250 AUTH PLAIN LOGIN\r\n"},
       "EHLO h\r\nQUIT\r\n",
       kMailAuthRefused,
       "T"},
      {"a login on a plain connection",
       Mode::kPlain,
       {"220 hi\r\n", "250-x\r\n250 AUTH PLAIN\r\n"},
       "EHLO h\r\nQUIT\r\n",
       kMailAuthRefused},
  };
  for (const Case& c : cases) {
    SmtpDialogue d("h", "f", "t", {c.mode, "u", "p", c.token});
    std::string sent, shown;
    for (const std::string& reply : c.replies) {
      d.Receive(reply);
      if (d.phase() == SmtpDialogue::Phase::kHandshake) d.TlsEstablished();
      d.TakeOutput(sent);
    }
    for (const SmtpNotice& n : d.TakeNotices()) {
      if (n.kind == SmtpNotice::kCommand) shown += n.text;
    }
    EXPECT_EQ(sent, c.sent) << c.name;
    EXPECT_EQ(d.result(), c.result) << c.name;
    for (const char* secret : {"AHUAcA==", "cA==", "dXNlcj11AWF1dGg9QmVhcmVyIFQBAQ=="}) {
      EXPECT_EQ(shown.find(secret), std::string::npos) << c.name;
    }
  }
}

TEST(SocketLayerTexts, PortsAndHelo) {
  for (const char* bad : {"0", "65536", "25x", "-1", "abc"}) EXPECT_FALSE(PortNumberOf(bad)) << bad;
  const std::uint32_t address = 192 | 0 << 8 | 2 << 16 | 10u << 24;  // 192.0.2.10 in memory
  EXPECT_EQ(HeloName("PC-01.example", address), "PC-01.example");
  for (const char* name : {"経理PC", "MY_PC", "", "a b"})
    EXPECT_EQ(HeloName(name, address), "[192.0.2.10]");
}

}  // namespace
}  // namespace zq
