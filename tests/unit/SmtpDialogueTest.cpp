// The SMTP dialogue state machine, the DATA encoder and the socket layer's texts.
#include <gtest/gtest.h>

#include "sender/mail/SessionTrace.h"
#include "sender/mail/SmtpDialogue.h"
#include "sender/mail/basWSock.h"

namespace zq {
namespace {

// Feeds replies one after the other; returns the bytes sent in between.
std::string Converse(SmtpDialogue& d, std::initializer_list<std::string_view> replies) {
  std::string sent;
  for (std::string_view reply : replies) {
    d.Receive(reply);
    sent += d.outbox();
    d.outbox().clear();
  }
  return sent;
}

TEST(SmtpDialogue, CommandsInOrderForTwoRecipients) {
  SmtpDialogue d("PC01", "zq@example.jp", " a@example.jp ; b@example.jp ;");
  EXPECT_EQ(Converse(d, {"220 hi\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n", "250 ok\r\n"}),
            "HELO PC01\r\nMAIL FROM:<zq@example.jp>\r\nRCPT TO:<a@example.jp>\r\n"
            "RCPT TO:<b@example.jp>\r\nDATA\r\n");
  EXPECT_EQ(d.phase(), SmtpDialogue::Phase::kData);
  d.Receive("354 go\r\n");
  ASSERT_EQ(d.phase(), SmtpDialogue::Phase::kMessage);
  d.AddMessageText("Subject: x\r\n\r\n.one\r\n");
  d.AddMessageText(".\r");
  d.AddMessageText("\nbare\nlast");
  d.EndMessage();
  EXPECT_EQ(d.outbox(), "Subject: x\r\n\r\n..one\r\n..\r\nbare\r\nlast\r\n\r\n.\r\n");
  d.outbox().clear();
  d.Receive("250 queued\r\n");
  EXPECT_TRUE(d.finished());
  EXPECT_EQ(d.result(), kMailSent);
  int progress = 0;
  for (const auto& n : d.TakeNotices()) progress += n.progress;
  EXPECT_EQ(progress, 50);  // HELO, MAIL FROM, last RCPT TO, DATA, accepted
}

TEST(SmtpDialogue, RepliesAreJudgedOnlyWhenComplete) {
  SmtpDialogue d("", "f@x", "t@x");
  // A greeting split over segments and spread over lines is one greeting.
  EXPECT_EQ(Converse(d, {"22", "0-first\r\n220-sec", "ond\r", "\n220 last\r\n"}),
            "HELO localhost\r\n");
  // A multi-line reply whose first line carries a different code is judged by its last.
  EXPECT_EQ(Converse(d, {"250-x\r\n", "550 no\r\n"}), "");
  EXPECT_EQ(d.result(), kMailBadHeloReply);
}

TEST(SmtpDialogue, EachStepHasItsResultCode) {
  const std::string_view ok[] = {"220 a\r\n", "250 b\r\n", "250 c\r\n",
                                 "250 d\r\n", "250 e\r\n", "354 f\r\n"};
  const int expected[] = {kMailBadGreeting,      kMailBadHeloReply,          kMailBadMailFromReply,
                          kMailBadMailFromReply, kMailBadLastRecipientReply, kMailBadDataReply,
                          kMailRejected};
  for (std::size_t failAt = 0; failAt <= std::size(ok); ++failAt) {
    SmtpDialogue d("h", "f@x", "a@x;b@x");
    for (std::size_t i = 0; i < failAt; ++i) d.Receive(ok[i]);
    if (failAt == std::size(ok)) d.EndMessage();
    d.Receive("554 refused\r\n");
    EXPECT_TRUE(d.finished());
    EXPECT_EQ(d.result(), expected[failAt]) << "step " << failAt;
    EXPECT_EQ(d.TakeNotices().back().text, "SMTPエラー: 554 refused\r\n");
    EXPECT_TRUE(d.outbox().empty());
  }
}

TEST(SmtpDialogue, HostileServersNeverGiveSuccess) {
  SmtpDialogue early("h", "f", "t");
  Converse(early, {"220 a\r\n", "250 b\r\n", "250 c\r\n", "250 d\r\n", "354 e\r\n"});
  early.Receive("250 too early\r\n");  // a reply while the message is still being sent
  EXPECT_EQ(early.result(), kMailRejected);

  SmtpDialogue endless("h", "f", "t");
  endless.Receive("220-");
  for (int i = 0; i < 20; ++i) endless.Receive(std::string(4096, 'x'));
  EXPECT_EQ(endless.result(), kMailBadGreeting);

  SmtpDialogue injected("h\r\nRSET", "f>\r\nRSET", "t\r\nQUIT");
  EXPECT_EQ(Converse(injected, {"220 a\r\n", "250 b\r\n", "250 c\r\n"}),
            "HELO hRSET\r\nMAIL FROM:<f>RSET>\r\nRCPT TO:<tQUIT>\r\n");
}

TEST(SmtpDataEncoder, EveryCutOfThePiecesGivesTheSameWire) {
  const std::string text = ".a\r\nb\r\n.\r\n\r..c\nd\r\re\r\n.";
  const std::string expected = "..a\r\nb\r\n..\r\n\r\n...c\r\nd\r\n\r\ne\r\n..\r\n\r\n.\r\n";
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    for (std::size_t second = cut; second <= text.size(); ++second) {
      SmtpDataEncoder e;
      std::string out;
      e.Append(std::string_view(text).substr(0, cut), out);
      e.Append(std::string_view(text).substr(cut, second - cut), out);
      e.Append(std::string_view(text).substr(second), out);
      e.Finish(out);
      ASSERT_EQ(out, expected) << "cuts " << cut << ", " << second;
    }
  }
}

TEST(SmtpDataEncoder, EmptyTextStillEnds) {
  SmtpDataEncoder e;
  std::string out;
  e.Finish(out);
  EXPECT_EQ(out, "\r\n.\r\n");
  SmtpDataEncoder f;
  out.clear();
  f.Append("a\r\n", out);
  f.Finish(out);
  EXPECT_EQ(out, "a\r\n\r\n.\r\n");
}

TEST(SocketTexts, ErrorsStartupPortsAndTrace) {
  EXPECT_EQ(WSockErrorText(11001), "ホストが見つからない。");
  EXPECT_EQ(WSockErrorText(10059), "(10059)");
  EXPECT_EQ(WSockErrorText(0), "(0)");
  EXPECT_EQ(StartupCheckText(0x0101, 1), "");
  EXPECT_EQ(StartupCheckText(0x0001, 1),
            "Windows Sockets version 1.0 is not supported by winsock.dll");
  EXPECT_EQ(StartupCheckText(0x0001, 0),
            "This application requires a minimum of 1 supported sockets.");
  EXPECT_EQ(PortNumberOf(" 587 "), 587);
  EXPECT_EQ(PortNumberOf(""), 25);
  for (const char* bad : {"0", "65536", "25x", "-1", "abc"}) EXPECT_FALSE(PortNumberOf(bad)) << bad;
  EXPECT_EQ(RecipientsOf(";a@x;; b@x ;"), (std::vector<std::string>{"a@x", "b@x"}));
  EXPECT_EQ(TraceLines("12:00:00.001", "<", "250-a\r\n250 b\r\n"),
            "12:00:00.001 < 250-a\r\n12:00:00.001 < 250 b\r\n");
}

}  // namespace
}  // namespace zq
