// One connected mail session, portable: the SMTP dialogue fed by the bytes the server sends,
// the transmitter that hands commands and message text to the socket, and the message
// source read as the text is sent. The session window wires it to the socket and shows its
// notices; everything it decides can be driven by a fake socket.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sender/mail/MessageSource.h"
#include "sender/mail/SmtpDialogue.h"
#include "sender/mail/Transmitter.h"

namespace zq {

// The HELO argument: the computer name when it is a host name (ASCII letters, digits,
// hyphens, dots), else the address literal of the local address, e.g. "[192.0.2.10]".
// `localAddress` is in network byte order.
std::string HeloName(std::string_view computerName, std::uint32_t localAddress);

struct SessionNotice {
  enum Kind {
    kDialogue,  // a notice of the dialogue (reply, command, message, failure, sent)
    kBroken,    // the session broke off outside the dialogue (text: why)
  };
  Kind kind;
  SmtpNotice dialogue;
};

class MailSession {
 public:
  MailSession(std::string_view heloName, std::string_view fromAddress, std::string_view recipients,
              MessageSource& source, SocketPort& port, SmtpSecurity security = {},
              std::size_t blockBytes = kSendBlockBytes);
  MailSession(const MailSession&) = delete;
  MailSession& operator=(const MailSession&) = delete;

  // Bytes received from the server.
  void Received(std::string_view bytes);
  // The socket can take bytes again.
  void WriteReady();
  // The TLS handshake that STARTTLS asked for succeeded.
  void TlsEstablished();
  // Ends the session from outside (receive error, server closed, time-out) with `result`,
  // unless the outcome is already decided.
  void Abort(int result);

  std::vector<SessionNotice> TakeNotices();

  bool decided() const { return dialogue_.decided(); }
  bool finished() const { return dialogue_.finished(); }
  int result() const { return dialogue_.result(); }
  bool transient() const { return dialogue_.transient(); }
  SmtpDialogue::Phase phase() const { return dialogue_.phase(); }

 private:
  void Pump(Transmitter::State state);
  bool Refill(std::string& out);
  void Break(int result, const std::string& text);

  SmtpDialogue dialogue_;
  MessageSource& source_;
  Transmitter transmitter_;
  bool refilling_ = false;
  bool sourceFailed_ = false;
  std::vector<SessionNotice> notices_;
};

}  // namespace zq
