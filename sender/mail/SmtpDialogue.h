// The SMTP dialogue of the mail session as a state machine: fed with the bytes the server
// sends, it judges each complete reply (RFC 5321 multi-line replies included), queues the
// next command, and turns the message text into its dot-stuffed wire form. It never touches
// a socket: the session window moves bytes between it and the network.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

// Outcome of one mail session (also the sender's exit code when mail was asked for).
enum MailResult : int {
  kMailSent = 0,
  kMailInitial = 1,  // also: the socket library could not start
  kMailReceiveError = 2,
  kMailClosedByServer = 3,
  kMailSendError = 4,
  kMailBadGreeting = 5,
  kMailBadHeloReply = 6,
  kMailBadMailFromReply = 7,  // or a reply to a recipient that is not the last
  kMailBadLastRecipientReply = 8,
  kMailBadDataReply = 9,
  kMailNoConnection = 10,
  kMailRejected = 11,  // the reply to the end of the message was not 250
  kMailTimedOut = 12,
};

// Message text in its DATA form: lines end in CR LF (a bare CR or LF becomes CR LF), a line
// starting with "." gets one more in front. Pieces may split lines anywhere.
class SmtpDataEncoder {
 public:
  void Append(std::string_view text, std::string& out);
  // Ends the last line if it is open, then the end-of-data line: CR LF "." CR LF.
  void Finish(std::string& out);

 private:
  bool atLineStart_ = true;
  bool pendingCr_ = false;
};

// The recipients of the recipient input: split at ";", blanks trimmed, empty ones skipped.
std::vector<std::string> RecipientsOf(std::string_view recipients);

// What the dialogue reports to the window, in order.
struct SmtpNotice {
  enum Kind {
    kReply,    // a complete reply was received (text: the reply, all its lines)
    kCommand,  // a command was queued for sending (text: the command with CR LF)
    kMessage,  // 354 arrived: the window now feeds the message text
    kFailed,   // the dialogue failed (text: "SMTPエラー: " + reply)
    kSent,     // the server accepted the message
  };
  Kind kind;
  std::string text;
  int progress = 0;  // progress bar steps this notice adds
};

class SmtpDialogue {
 public:
  enum class Phase {
    kGreeting,      // awaiting 220
    kHelo,          // awaiting 250
    kMailFrom,      // awaiting 250
    kRecipient,     // awaiting 250 to a RCPT TO
    kData,          // awaiting 354
    kMessage,       // the message text is being sent; no reply is due
    kEndOfMessage,  // awaiting 250 to the final "."
    kDone,
  };

  // A complete reply longer than this is taken as a broken server.
  static constexpr std::size_t kMaxReplyBytes = 64 * 1024;

  // `heloName` "" gives "localhost"; control characters are removed from every argument.
  SmtpDialogue(std::string_view heloName, std::string_view fromAddress,
               std::string_view recipients);

  // Bytes received from the server; each complete reply is judged in order.
  void Receive(std::string_view bytes);

  // While phase() is kMessage: more message text, then its end.
  void AddMessageText(std::string_view piece);
  void EndMessage();

  // Ends the dialogue from outside (socket failure, time-out) with `result`.
  void Abort(int result);

  // Bytes waiting to be sent; the window erases from the front what the socket took.
  std::string& outbox() { return outbox_; }
  std::vector<SmtpNotice> TakeNotices();

  Phase phase() const { return phase_; }
  bool finished() const { return phase_ == Phase::kDone; }
  int result() const { return result_; }

 private:
  void Judge(const std::string& reply, std::string_view code);
  void Send(std::string command, int progress);
  void SendNextRecipient();
  void Fail(int result, const std::string& reply);
  int MismatchResult() const;

  std::string heloName_, fromAddress_;
  std::vector<std::string> recipients_;
  std::size_t nextRecipient_ = 0;
  Phase phase_ = Phase::kGreeting;
  int result_ = kMailInitial;
  std::string received_;  // bytes of the reply not yet complete
  std::string outbox_;
  std::vector<SmtpNotice> notices_;
  SmtpDataEncoder encoder_;
};

}  // namespace zq
