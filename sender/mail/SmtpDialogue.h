// The SMTP dialogue of the mail session as a state machine: fed with the bytes the server
// sends, it judges each complete reply (RFC 5321 multi-line replies included), queues the
// next command, and turns the message text into its dot-stuffed wire form. It never touches
// a socket: the session window moves bytes between it and the network.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/ReportContract.h"
#include "common/SecretText.h"

namespace zq {

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

// How the session is secured and who it logs in as: with a password (PLAIN, else LOGIN), or
// with an OAuth 2.0 bearer token (XOAUTH2) when one is given. Plain with no user is the
// dialogue of old (HELO); anything else says EHLO. Credentials go out only over TLS.
// Every copy wipes its password and token when it goes.
struct SmtpSecurity {
  enum Mode { kPlain, kStartTls, kImplicitTls };
  Mode mode = kPlain;
  std::string user, password, bearerToken;
  ~SmtpSecurity() {
    WipeString(password);
    WipeString(bearerToken);
  }
};

// What an EHLO reply offers (keywords are matched without regard to case).
struct SmtpCapabilities {
  bool startTls = false;
  bool authPlain = false;
  bool authLogin = false;
  bool authXOAuth2 = false;
};
// Reads one line of an EHLO reply (its text after the code and separator) into `caps`.
void ReadCapability(std::string_view text, SmtpCapabilities& caps);

// What the dialogue reports to the window, in order.
struct SmtpNotice {
  enum Kind {
    kReply,      // a reply line was received (text: the line with CR LF)
    kCommand,    // a command was queued for sending (text: the command with CR LF)
    kMessage,    // 354 arrived: the message text is now due
    kFailed,     // the dialogue failed (text: "SMTPエラー: " + the reply's last line)
    kSent,       // the server accepted the message
    kStartTls,   // 220 to STARTTLS: the TLS handshake is due; bytes after the reply were dropped
    kAuthError,  // XOAUTH2's 334 challenge (text: the server's decoded JSON, for the trace)
  };
  Kind kind;
  std::string text;
  int progress = 0;       // progress bar steps this notice adds
  bool lastLine = false;  // kReply: the line ends its reply
};

class SmtpDialogue {
 public:
  enum class Phase {
    kGreeting,      // awaiting 220
    kHelo,          // awaiting 250
    kEhlo,          // awaiting 250 and the capabilities
    kStartTls,      // awaiting 220 to STARTTLS
    kHandshake,     // the TLS handshake is under way; no reply is due
    kAuth,          // awaiting 235 (or 334 for AUTH LOGIN's user and password)
    kMailFrom,      // awaiting 250
    kRecipient,     // awaiting 250 to a RCPT TO
    kData,          // awaiting 354
    kMessage,       // the message text is being sent; no reply is due
    kEndOfMessage,  // awaiting 250 to the final "."
    kQuit,          // the outcome is decided; awaiting the reply to QUIT
    kDone,
  };

  // A reply line longer than this, or a reply of this many lines, fails the step.
  static constexpr std::size_t kMaxReplyLineBytes = 4096;
  static constexpr int kMaxReplyLines = 1000;

  // `heloName` "" gives "localhost"; control characters are removed from every argument.
  SmtpDialogue(std::string_view heloName, std::string_view fromAddress, std::string_view recipients,
               SmtpSecurity security = {});

  // Bytes received from the server; each complete reply is judged by its last line.
  void Receive(std::string_view bytes);

  // Moves the bytes queued for sending (commands, QUIT) to the end of `out`.
  void TakeOutput(std::string& out);

  // While phase() is kMessage: more message text in its DATA form, appended to `out`; then
  // its end line, queued with the commands.
  void AddMessageText(std::string_view piece, std::string& out);
  void EndMessage();
  // Every byte up to the end line has been handed to the socket: the final reply may come.
  // A reply that arrives before this fails the session with kMailRejected.
  void EndHandedOver();

  // The TLS handshake after STARTTLS succeeded: EHLO again, with fresh capabilities.
  void TlsEstablished();

  // Ends the dialogue from outside (socket failure, time-out) with `result`; while the reply
  // to the handed-over end of the message is due, the outcome is kMailOutcomeUnknown instead
  // (the server may have the mail), unless the user ended it.
  void Abort(int result);

  std::vector<SmtpNotice> TakeNotices();

  Phase phase() const { return phase_; }
  // The outcome is known (result() is final); QUIT may still be under way.
  bool decided() const { return phase_ == Phase::kQuit || phase_ == Phase::kDone; }
  bool finished() const { return phase_ == Phase::kDone; }
  int result() const { return result_; }
  // The failure came with a 4xx reply: the server asks to be tried again later.
  bool transient() const { return transient_; }

 private:
  void ReceiveLine(std::string_view line);
  void Judge(std::string_view line, std::string_view code);
  void Send(std::string command, int progress, std::string shown = {});
  void Greeted();
  void AfterEhlo();
  void Authenticate();
  void AnswerTokenChallenge(std::string_view line);
  void SendMailFrom();
  void SendNextRecipient();
  void Decide(int result);
  void Fail(int result, std::string_view line);
  int MismatchResult() const;

  std::string heloName_, fromAddress_;
  SmtpSecurity security_;
  bool tls_ = false;  // the connection is encrypted
  SmtpCapabilities caps_;
  // AUTH LOGIN: 1 user due, 2 password due, 3 result due; XOAUTH2: 4 result or challenge due,
  // 5 the refusal after the challenge's empty answer due.
  int authStep_ = 0;
  std::vector<std::string> recipients_;
  std::size_t nextRecipient_ = 0;
  Phase phase_ = Phase::kGreeting;
  int result_ = kMailUndecided;
  bool transient_ = false;
  std::string judgedCode_;  // the code of the reply being judged
  bool endHandedOver_ = false;
  std::string line_;         // the reply line being received
  int replyLines_ = 0;       // lines of the reply being received
  bool discarding_ = false;  // the rest of a line that was too long is dropped
  std::string output_;
  std::vector<SmtpNotice> notices_;
  SmtpDataEncoder encoder_;
};

}  // namespace zq
