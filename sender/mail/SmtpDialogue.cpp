// The SMTP dialogue: reply framing and judging, command order, DATA encoding.
#include "sender/mail/SmtpDialogue.h"

#include <utility>

#include "common/Cp932.h"
#include "sender/mail/MailComposition.h"

namespace zq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string UpperCode(std::string_view line) {
  std::string code(line.substr(0, 3));
  for (char& c : code) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return code;
}

// A line that is not "ddd-..." ends a reply (RFC 5321 4.2.1: the last line has a blank or
// nothing after the code).
bool IsLastReplyLine(std::string_view line) { return line.size() < 4 || line[3] != '-'; }

}  // namespace

// One pass over the text: runs of bytes that need no change (CR LF lines included) are
// copied whole; only a "." at a line start, a bare CR or LF, and a CR at the end of a piece
// (whose LF may start the next piece) interrupt a run.
void SmtpDataEncoder::Append(std::string_view text, std::string& out) {
  const char* const p = text.data();
  const std::size_t n = text.size();
  std::size_t i = 0;
  if (pendingCr_ && n > 0) {
    pendingCr_ = false;
    out.append(kCrLf);
    atLineStart_ = true;
    if (p[0] == '\n') i = 1;
  }
  std::size_t run = i;  // start of the bytes not yet copied
  while (i < n) {
    if (atLineStart_ && p[i] == '.') {
      out.append(p + run, i - run);
      out.push_back('.');
      run = i;
    }
    atLineStart_ = false;
    std::size_t j = i;
    while (j < n && p[j] != '\r' && p[j] != '\n') ++j;
    if (j == n) break;
    if (p[j] == '\r' && j + 1 < n && p[j + 1] == '\n') {  // CR LF stays in the run
      i = j + 2;
      atLineStart_ = true;
      continue;
    }
    out.append(p + run, j - run);
    if (p[j] == '\r' && j + 1 == n) {  // decided by the next piece
      pendingCr_ = true;
      return;
    }
    out.append(kCrLf);  // a bare CR or LF
    i = run = j + 1;
    atLineStart_ = true;
  }
  out.append(p + run, n - run);
}

void SmtpDataEncoder::Finish(std::string& out) {
  if (pendingCr_ || !atLineStart_) out.append(kCrLf);
  pendingCr_ = false;
  atLineStart_ = true;
  out.append("\r\n.\r\n");
}

std::vector<std::string> RecipientsOf(std::string_view recipients) {
  std::vector<std::string> list;
  for (;;) {
    const std::size_t separator = recipients.find(';');
    const std::string_view one = TrimBlanks(recipients.substr(0, separator));
    if (!one.empty()) list.emplace_back(one);
    if (separator == std::string_view::npos) return list;
    recipients.remove_prefix(separator + 1);
  }
}

SmtpDialogue::SmtpDialogue(std::string_view heloName, std::string_view fromAddress,
                           std::string_view recipients)
    : heloName_(WithoutControlCharacters(heloName)),
      fromAddress_(WithoutControlCharacters(TrimBlanks(fromAddress))),
      recipients_(RecipientsOf(WithoutControlCharacters(recipients))) {
  if (heloName_.empty()) heloName_ = "localhost";
  // Without any recipient the server is still asked once, and its refusal ends the session.
  if (recipients_.empty()) recipients_.emplace_back();
}

void SmtpDialogue::Receive(std::string_view bytes) {
  if (finished()) return;
  received_.append(bytes);
  std::size_t lineStart = 0;
  while (!finished()) {
    const std::size_t lineEnd = received_.find('\n', lineStart);
    if (lineEnd == std::string::npos) break;
    std::string_view line(received_.data() + lineStart, lineEnd - lineStart);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lineStart = lineEnd + 1;
    if (!IsLastReplyLine(line)) continue;
    const std::string reply = received_.substr(0, lineStart);
    const std::string code = UpperCode(line);
    received_.erase(0, lineStart);
    lineStart = 0;
    Judge(reply, code);
  }
  if (!finished() && received_.size() > kMaxReplyBytes) {
    Fail(MismatchResult(), received_.substr(0, 512));
  }
}

void SmtpDialogue::Judge(const std::string& reply, std::string_view code) {
  notices_.push_back({SmtpNotice::kReply, reply});
  switch (phase_) {
    case Phase::kGreeting:
      if (code != "220") return Fail(kMailBadGreeting, reply);
      phase_ = Phase::kHelo;
      return Send("HELO " + heloName_ + "\r\n", 10);
    case Phase::kHelo:
      if (code != "250") return Fail(kMailBadHeloReply, reply);
      phase_ = Phase::kMailFrom;
      return Send("MAIL FROM:<" + fromAddress_ + ">\r\n", 10);
    case Phase::kMailFrom:
      if (code != "250") return Fail(kMailBadMailFromReply, reply);
      return SendNextRecipient();
    case Phase::kRecipient:
      if (code != "250") return Fail(MismatchResult(), reply);
      if (nextRecipient_ < recipients_.size()) return SendNextRecipient();
      phase_ = Phase::kData;
      return Send("DATA\r\n", 10);
    case Phase::kData:
      if (code != "354") return Fail(kMailBadDataReply, reply);
      phase_ = Phase::kMessage;
      notices_.push_back({SmtpNotice::kMessage, {}});
      return;
    case Phase::kMessage:  // nothing is due before the end of the message
      return Fail(kMailRejected, reply);
    case Phase::kEndOfMessage:
      if (code != "250") return Fail(kMailRejected, reply);
      phase_ = Phase::kDone;
      result_ = kMailSent;
      notices_.push_back({SmtpNotice::kSent, {}, 10});
      return;
    case Phase::kDone:
      return;
  }
}

void SmtpDialogue::Send(std::string command, int progress) {
  outbox_.append(command);
  notices_.push_back({SmtpNotice::kCommand, std::move(command), progress});
}

void SmtpDialogue::SendNextRecipient() {
  phase_ = Phase::kRecipient;
  const std::string& recipient = recipients_[nextRecipient_++];
  const bool last = nextRecipient_ == recipients_.size();
  Send("RCPT TO:<" + recipient + ">\r\n", last ? 10 : 0);
}

int SmtpDialogue::MismatchResult() const {
  switch (phase_) {
    case Phase::kGreeting:
      return kMailBadGreeting;
    case Phase::kHelo:
      return kMailBadHeloReply;
    case Phase::kMailFrom:
      return kMailBadMailFromReply;
    case Phase::kRecipient:
      return nextRecipient_ < recipients_.size() ? kMailBadMailFromReply
                                                 : kMailBadLastRecipientReply;
    case Phase::kData:
      return kMailBadDataReply;
    default:
      return kMailRejected;
  }
}

void SmtpDialogue::AddMessageText(std::string_view piece) {
  if (phase_ == Phase::kMessage) encoder_.Append(piece, outbox_);
}

void SmtpDialogue::EndMessage() {
  if (phase_ != Phase::kMessage) return;
  encoder_.Finish(outbox_);
  phase_ = Phase::kEndOfMessage;
  notices_.push_back({SmtpNotice::kCommand, "\r\n.\r\n"});
}

void SmtpDialogue::Abort(int result) {
  if (finished()) return;
  phase_ = Phase::kDone;
  result_ = result;
  outbox_.clear();
}

void SmtpDialogue::Fail(int result, const std::string& reply) {
  phase_ = Phase::kDone;
  result_ = result;
  outbox_.clear();
  notices_.push_back({SmtpNotice::kFailed, "SMTPエラー: " + reply});
}

std::vector<SmtpNotice> SmtpDialogue::TakeNotices() { return std::exchange(notices_, {}); }

}  // namespace zq
