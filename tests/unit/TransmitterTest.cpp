// The transmitter and the mail session against a fake socket that takes a few bytes at a
// time and would block at chosen moments: every byte goes out once and in order, the wait
// restarts whenever bytes were taken, and success needs the final reply after the end line.
#include <gtest/gtest.h>

#include "sender/mail/MailSession.h"

namespace zq {
namespace {

// Takes at most `takes[i % n]` bytes on call i; a take of 0 means "would block".
struct FakeSocket : SocketPort {
  explicit FakeSocket(std::vector<std::size_t> takes) : takes(std::move(takes)) {}
  SendResult Send(std::string_view bytes) override {
    if (failWith != 0) return {0, false, failWith};
    const std::size_t take = std::min(bytes.size(), takes[sends++ % takes.size()]);
    wire.append(bytes.substr(0, take));
    return {take, take == 0, 0};
  }
  void Taken(std::string_view bytes) override { taken.append(bytes); }
  std::vector<std::size_t> takes;
  std::string wire, taken;
  std::size_t sends = 0;
  int failWith = 0;
};

// The text in pieces of growing size; with `failAtEnd` its last piece is a read error.
struct FakeSource : MessageSource {
  FakeSource(std::string text, bool failAtEnd) : text(std::move(text)), failAtEnd(failAtEnd) {}
  Status Next(std::string& out) override {
    const std::size_t piece = std::min(text.size() - pos, ++calls * 7);
    out.append(text, pos, piece);
    pos += piece;
    return pos < text.size() ? kMore : failAtEnd ? kError : kEnd;
  }
  const std::string& error() const override { return text; }
  std::string text;
  bool failAtEnd;
  std::size_t pos = 0, calls = 0;
};

// Flushes, then answers each would-block with write-ready until everything is out.
Transmitter::State Drain(Transmitter& t, int& writeReadies) {
  Transmitter::State state = t.Flush();
  while (state == Transmitter::State::kBlocked && writeReadies < 100000) {
    ++writeReadies;
    state = t.WriteReady();
  }
  return state;
}

std::string Text(std::size_t size) {
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) text += "line " + std::to_string(i) + "\r\n";
  return text;
}

TEST(Transmitter, EveryByteGoesOutOnceInOrderWhateverTheSocketTakes) {
  const std::vector<std::vector<std::size_t>> patterns = {
      {1000000}, {1}, {3, 0}, {0, 5, 7, 0, 0, 2}, {16, 15, 17, 0}, {33, 0, 1}};
  const std::string text = Text(2000);
  for (const auto& takes : patterns) {
    for (const std::size_t block : {1u, 16u, 17u, 64u, 4096u}) {
      FakeSocket socket(takes);
      Transmitter t(socket, block);
      t.Queue("HELLO\r\n");
      std::size_t fed = 0;
      t.SetRefill([&](std::string& out) {
        const std::size_t piece = std::min<std::size_t>(text.size() - fed, 1 + fed % 23);
        out.append(text, fed, piece);
        fed += piece;
        return fed < text.size();
      });
      int writeReadies = 0;
      EXPECT_EQ(Drain(t, writeReadies), Transmitter::State::kIdle);
      const bool blocks = std::find(takes.begin(), takes.end(), 0u) != takes.end();
      EXPECT_EQ(writeReadies > 0, blocks) << "write-ready is awaited only after would-block";
      EXPECT_TRUE(t.handedOver());
      ASSERT_EQ(socket.wire, "HELLO\r\n" + text) << "block " << block << ", take " << takes[0];
      EXPECT_EQ(socket.taken, socket.wire) << "every taken byte restarts the wait";
    }
  }
}

TEST(Transmitter, BlockedWaitsForWriteReadyAndFailuresStop) {
  FakeSocket socket({0, 4});
  Transmitter t(socket, 8);
  t.Queue("abcdefgh");
  EXPECT_EQ(t.Flush(), Transmitter::State::kBlocked);
  EXPECT_EQ(t.Flush(), Transmitter::State::kBlocked);
  EXPECT_EQ(socket.sends, 1u) << "no send while blocked";
  EXPECT_FALSE(t.handedOver());
  EXPECT_EQ(t.WriteReady(), Transmitter::State::kBlocked);
  EXPECT_EQ(socket.wire, "abcd");
  socket.failWith = 10054;
  EXPECT_EQ(t.WriteReady(), Transmitter::State::kFailed);
  EXPECT_EQ(t.error(), 10054);
}

constexpr std::string_view kReplies[] = {"220 hi\r\n", "250 helo\r\n", "250 from\r\n", "250 to\r\n",
                                         "354 go\r\n"};

// Runs a session: replies in order, the message text sent through a socket that takes
// `takes`; `early` (if set) arrives after that many write-ready notices of the message text.
struct SessionRun {
  std::string wire;
  int result;
  bool finished;
};
SessionRun RunSession(const std::vector<std::size_t>& takes, int early = -1,
                      bool sourceFails = false) {
  FakeSocket socket(takes);
  FakeSource source(Text(600), sourceFails);  // its error text is the text itself
  MailSession session("PC", "f@x", "t@x", source, socket, {}, 32);
  for (std::string_view reply : kReplies) {
    session.Received(reply);
    for (int i = 0; i < 1000 && !session.decided(); ++i) {
      if (i == early && reply == kReplies[4]) session.Received("250 early\r\n");
      session.WriteReady();
    }
  }
  if (!session.decided()) session.Received("250 queued\r\n");
  for (int i = 0; i < 10; ++i) session.WriteReady();  // QUIT may have met a full socket
  if (session.decided() && !session.finished()) session.Received("221 bye\r\n");
  return {socket.wire, session.result(), session.finished()};
}

TEST(MailSession, SendsTheWholeDialogueThroughAStutteringSocket) {
  for (const auto& takes : std::vector<std::vector<std::size_t>>{{5, 0}, {0, 1, 0, 64}, {999}}) {
    const SessionRun run = RunSession(takes);
    EXPECT_EQ(run.result, kMailSent);
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.wire, "HELO PC\r\nMAIL FROM:<f@x>\r\nRCPT TO:<t@x>\r\nDATA\r\n" + Text(600) +
                            "\r\n.\r\nQUIT\r\n");
  }
}

TEST(MailSession, AnEarlyReplyDuringTheTextNeverYieldsSuccess) {
  for (int early = 0; early < 40; ++early) {
    const SessionRun run = RunSession({7, 0}, early);
    EXPECT_EQ(run.result, kMailRejected) << "after " << early << " write-ready notices";
    EXPECT_EQ(run.wire.find("QUIT"), std::string::npos);
  }
}

TEST(MailSession, AnUnreadableAttachmentEndsTheSessionWithItsCode) {
  const SessionRun run = RunSession({1000}, -1, true);
  EXPECT_EQ(run.result, kExitReportLogFailed);
  EXPECT_EQ(run.wire.find("\r\n.\r\n"), std::string::npos) << "no end line after a read error";
}

}  // namespace
}  // namespace zq
