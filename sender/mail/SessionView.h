// What the session window shows of each notice of the mail session, portable: the status
// line, the trace line, the progress, the outcome box, and whether the wait restarts or TLS
// starts. The window only applies it to its controls.
#pragma once

#include <string>
#include <string_view>

#include "sender/mail/MailSession.h"

namespace zq {

// The box a mail session's outcome shows, titled zqPelmora: exclamation, exclamation with the
// application error line first, information, or none.
enum class SessionBox { kNone, kWarning, kApplicationError, kInformation };
void ShowSessionOutcomeBox(SessionBox box, const std::string& text);

struct SessionView {
  std::string status;                  // "" leaves the status line as it is
  std::string traceMark, traceText;    // no trace line when traceText is ""
  int progress = 0;                    // progress bar steps added
  bool restartWait = false;            // a whole reply arrived: the wait for the server restarts
  bool startTls = false;               // the TLS handshake is due
  bool sent = false;                   // the server accepted the message
  SessionBox box = SessionBox::kNone;  // with boxText: the box the outcome will show
  std::string boxText;
};

SessionView ViewOf(const SessionNotice& notice);

// The last whole line of a block of message text (with CR LF), for the status line.
std::string LastLineOf(std::string_view block);

}  // namespace zq
