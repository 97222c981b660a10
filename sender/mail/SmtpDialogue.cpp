// The SMTP dialogue: reply framing and judging, command order, DATA encoding, QUIT.
#include "sender/mail/SmtpDialogue.h"

#include <utility>

#include "common/Cp932.h"
#include "sender/mail/Base64.h"
#include "sender/mail/MailAddress.h"
#include "sender/mail/OAuth.h"

namespace zq {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string UpperCode(std::string_view line) { return Cp932AsciiUpper(line.substr(0, 3)); }

// A line that is not "ddd-..." ends a reply (RFC 5321 4.2.1: the last line has a blank or
// nothing after the code).
bool IsLastReplyLine(std::string_view line) { return line.size() < 4 || line[3] != '-'; }

}  // namespace

SmtpDialogue::SmtpDialogue(std::string_view heloName, std::string_view fromAddress,
                           std::string_view recipients, SmtpSecurity security)
    : heloName_(WithoutControlCharacters(heloName)),
      fromAddress_(WithoutControlCharacters(TrimBlanks(fromAddress))),
      security_(std::move(security)),
      tls_(security_.mode == SmtpSecurity::kImplicitTls),
      recipients_(RecipientsOf(WithoutControlCharacters(recipients))) {
  if (heloName_.empty()) heloName_ = "localhost";
  // Without any recipient the server is still asked once, and its refusal ends the session.
  if (recipients_.empty()) recipients_.emplace_back();
}

void SmtpDialogue::Receive(std::string_view bytes) {
  // Only the line being received is kept, so a reply of any number of lines needs no more
  // memory than its longest line.
  // Bytes that arrive while the handshake is due are dropped: nothing sent in the clear
  // before it may be read as a reply after it.
  while (!bytes.empty() && !finished() && phase_ != Phase::kHandshake) {
    const std::size_t end = bytes.find('\n');
    const std::string_view part = bytes.substr(0, end == std::string_view::npos ? end : end + 1);
    bytes.remove_prefix(part.size());
    const bool complete = part.back() == '\n';
    if (discarding_) {  // the rest of a line that was too long
      discarding_ = !complete;
      continue;
    }
    if (line_.size() + part.size() > kMaxReplyLineBytes + 2) {
      const std::string head = (line_ + std::string(part.substr(0, 512))).substr(0, 512);
      line_.clear();
      discarding_ = !complete;
      if (decided()) {
        phase_ = Phase::kDone;
      } else {
        Fail(MismatchResult(), head);
      }
      continue;
    }
    line_.append(part);
    if (!complete) return;
    const std::string line = std::move(line_);
    line_.clear();
    ReceiveLine(line);
    // Bytes behind the reply to STARTTLS were sent before the handshake: nothing of them may
    // be read as a reply after it, and a server that sends them is not to be trusted.
    if (phase_ == Phase::kHandshake && !bytes.empty()) {
      notices_.push_back({SmtpNotice::kFailed, "STARTTLS の応答の後に余分なデータがあります\r\n"});
      result_ = kMailTlsFailed;
      phase_ = Phase::kDone;
      output_.clear();
    }
  }
}

void SmtpDialogue::ReceiveLine(std::string_view line) {
  std::string_view bare = line.substr(0, line.size() - 1);
  if (!bare.empty() && bare.back() == '\r') bare.remove_suffix(1);
  const bool last = IsLastReplyLine(bare);
  // A reply that never ends must not fill the trace: past the cap the step fails.
  if (!last && ++replyLines_ >= kMaxReplyLines) {
    replyLines_ = 0;
    notices_.push_back({SmtpNotice::kReply, std::string(line), 0, true});
    if (decided()) {
      phase_ = Phase::kDone;
      return;
    }
    return Fail(MismatchResult(), "応答の行数が上限を超えました\r\n");
  }
  if (last) replyLines_ = 0;
  notices_.push_back({SmtpNotice::kReply, std::string(line), 0, last});
  if (phase_ == Phase::kEhlo && bare.size() > 4 && bare.substr(0, 3) == "250") {
    ReadCapability(bare.substr(4), caps_);
  }
  if (!last) return;
  judgedCode_ = UpperCode(bare);
  Judge(line, judgedCode_);
  judgedCode_.clear();
}

void SmtpDialogue::Judge(std::string_view line, std::string_view code) {
  switch (phase_) {
    case Phase::kGreeting:
      if (code != "220") return Fail(kMailBadGreeting, line);
      return Greeted();
    case Phase::kHelo:
      if (code != "250") return Fail(kMailBadHeloReply, line);
      return SendMailFrom();
    case Phase::kEhlo:
      if (code != "250") return Fail(kMailBadHeloReply, line);
      return AfterEhlo();
    case Phase::kStartTls:
      if (code != "220") return Fail(kMailStartTlsNotOffered, line);
      phase_ = Phase::kHandshake;
      line_.clear();
      notices_.push_back({SmtpNotice::kStartTls, {}});
      return;
    case Phase::kHandshake:
      return Fail(kMailTlsFailed, line);
    case Phase::kAuth:
      if (authStep_ == 1 || authStep_ == 2) {  // AUTH LOGIN asks for the user, then the password
        if (code != "334") return Fail(kMailAuthRefused, line);
        const std::string& value = authStep_ == 1 ? security_.user : security_.password;
        ++authStep_;
        std::string answer = Base64Encode(value);
        Send(answer + "\r\n", 0, "****\r\n");
        return WipeString(answer);
      }
      if (authStep_ == 4 && code == "334") return AnswerTokenChallenge(line);
      if (code != "235") return Fail(kMailAuthRefused, line);
      return SendMailFrom();
    case Phase::kMailFrom:
      if (code != "250") return Fail(kMailBadMailFromReply, line);
      return SendNextRecipient();
    case Phase::kRecipient:
      if (code != "250") return Fail(MismatchResult(), line);
      if (nextRecipient_ < recipients_.size()) return SendNextRecipient();
      phase_ = Phase::kData;
      return Send("DATA\r\n", 10);
    case Phase::kData:
      if (code != "354") return Fail(kMailBadDataReply, line);
      phase_ = Phase::kMessage;
      notices_.push_back({SmtpNotice::kMessage, {}});
      return;
    case Phase::kMessage:  // nothing is due before the end of the message
      return Fail(kMailRejected, line);
    case Phase::kEndOfMessage:
      if (code != "250" || !endHandedOver_) return Fail(kMailRejected, line);
      notices_.push_back({SmtpNotice::kSent, {}, 10});
      return Decide(kMailSent);
    case Phase::kQuit:
      phase_ = Phase::kDone;
      return;
    case Phase::kDone:
      return;
  }
}

// `shown` stands for the command in the notice when the command carries a secret.
void SmtpDialogue::Send(std::string command, int progress, std::string shown) {
  output_.append(command);
  if (shown.empty()) {
    notices_.push_back({SmtpNotice::kCommand, std::move(command), progress});
    return;
  }
  // A command shown otherwise carries a secret: no copy of it stays behind.
  WipeString(command);
  notices_.push_back({SmtpNotice::kCommand, std::move(shown), progress});
}

// The dialogue of old says HELO; a secured or logged-in session says EHLO to learn what the
// server offers.
void SmtpDialogue::Greeted() {
  const int progress = phase_ == Phase::kGreeting ? 10 : 0;
  if (security_.mode == SmtpSecurity::kPlain && security_.user.empty()) {
    phase_ = Phase::kHelo;
    return Send("HELO " + heloName_ + "\r\n", progress);
  }
  phase_ = Phase::kEhlo;
  caps_ = {};
  Send("EHLO " + heloName_ + "\r\n", progress);
}

// STARTTLS when it is due (never a fall-back to plain), then the login, then the mail.
void SmtpDialogue::AfterEhlo() {
  if (security_.mode == SmtpSecurity::kStartTls && !tls_) {
    if (!caps_.startTls) return Fail(kMailStartTlsNotOffered, "STARTTLS が提供されていません\r\n");
    phase_ = Phase::kStartTls;
    return Send("STARTTLS\r\n", 0);
  }
  if (!security_.user.empty()) return Authenticate();
  SendMailFrom();
}

void SmtpDialogue::Authenticate() {
  if (!tls_) return Fail(kMailAuthRefused, "暗号化されていない接続では認証しません\r\n");
  phase_ = Phase::kAuth;
  if (!security_.bearerToken.empty()) {
    if (!caps_.authXOAuth2) {
      return Fail(kMailAuthRefused, "サーバーは XOAUTH2 の認証を提供していません\r\n");
    }
    authStep_ = 4;
    std::string response = XOAuth2Response(security_.user, security_.bearerToken);
    Send("AUTH XOAUTH2 " + response + "\r\n", 0, "AUTH XOAUTH2 ****\r\n");
    return WipeString(response);
  }
  if (caps_.authPlain) {
    authStep_ = 3;
    std::string token = std::string(1, '\0') + security_.user + '\0' + security_.password;
    std::string encoded = Base64Encode(token);
    WipeString(token);
    Send("AUTH PLAIN " + encoded + "\r\n", 0, "AUTH PLAIN ****\r\n");
    return WipeString(encoded);
  }
  if (caps_.authLogin) {
    authStep_ = 1;
    return Send("AUTH LOGIN\r\n", 0);
  }
  Fail(kMailAuthRefused, "サーバーは PLAIN と LOGIN のどちらの認証も提供していません\r\n");
}

// A refused token comes as 334 with the server's reasons in base64 JSON: they go to the trace,
// an empty line answers, and the refusal that follows ends the login.
void SmtpDialogue::AnswerTokenChallenge(std::string_view line) {
  std::string_view encoded = line.size() > 4 ? line.substr(4) : std::string_view();
  while (!encoded.empty() && (encoded.back() == '\n' || encoded.back() == '\r')) {
    encoded.remove_suffix(1);
  }
  const auto json = Base64Decode(encoded);
  notices_.push_back(
      {SmtpNotice::kAuthError, WithoutControlCharacters(json.value_or("?")) + "\r\n"});
  authStep_ = 5;
  Send("\r\n", 0);
}

void SmtpDialogue::TlsEstablished() {
  if (phase_ != Phase::kHandshake) return;
  tls_ = true;
  Greeted();
}

void SmtpDialogue::SendMailFrom() {
  phase_ = Phase::kMailFrom;
  Send("MAIL FROM:<" + fromAddress_ + ">\r\n", 10);
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
    case Phase::kEhlo:
      return kMailBadHeloReply;
    case Phase::kStartTls:
      return kMailStartTlsNotOffered;
    case Phase::kHandshake:
      return kMailTlsFailed;
    case Phase::kAuth:
      return kMailAuthRefused;
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

void SmtpDialogue::TakeOutput(std::string& out) {
  out.append(output_);
  WipeString(output_);
}

void SmtpDialogue::AddMessageText(std::string_view piece, std::string& out) {
  if (phase_ == Phase::kMessage) encoder_.Append(piece, out);
}

void SmtpDialogue::EndMessage() {
  if (phase_ != Phase::kMessage) return;
  encoder_.Finish(output_);
  phase_ = Phase::kEndOfMessage;
  notices_.push_back({SmtpNotice::kCommand, "\r\n.\r\n"});
}

void SmtpDialogue::EndHandedOver() {
  if (phase_ == Phase::kEndOfMessage) endHandedOver_ = true;
}

void SmtpDialogue::Abort(int result) {
  if (finished()) return;
  const bool finalReplyDue = phase_ == Phase::kEndOfMessage && endHandedOver_;
  if (!decided()) {
    result_ = finalReplyDue && result != kExitClosedByUser ? kMailOutcomeUnknown : result;
  }
  phase_ = Phase::kDone;
  output_.clear();
}

// The outcome is known. While the connection is in step with the server (no message text
// left half sent), QUIT lets the server end cleanly; its reply ends the dialogue.
void SmtpDialogue::Decide(int result) {
  result_ = result;
  const bool inStep =
      phase_ != Phase::kMessage && (phase_ != Phase::kEndOfMessage || endHandedOver_);
  output_.clear();
  if (inStep) {
    phase_ = Phase::kQuit;
    Send("QUIT\r\n", 0);
  } else {
    phase_ = Phase::kDone;
  }
}

void SmtpDialogue::Fail(int result, std::string_view line) {
  transient_ = judgedCode_.size() == 3 && judgedCode_[0] == '4';
  notices_.push_back({SmtpNotice::kFailed, "SMTPエラー: " + std::string(line)});
  Decide(result);
}

std::vector<SmtpNotice> SmtpDialogue::TakeNotices() { return std::exchange(notices_, {}); }

}  // namespace zq
