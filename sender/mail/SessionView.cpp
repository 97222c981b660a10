// What the session window shows of each notice.
#include "sender/mail/SessionView.h"

#include "common/MessageBox.h"
#include "sender/SenderMessages.h"
#include "sender/mail/OAuth.h"

namespace zq {
namespace {

void ShowSessionBox(const std::string& text, unsigned style) {
  ShowMessageBox(text, kPelmoraTitle, style);
}

}  // namespace

void ShowSessionOutcomeBox(SessionBox box, const std::string& text) {
  switch (box) {
    case SessionBox::kWarning:
      return ShowSessionBox(text, kMbExclamation);
    case SessionBox::kApplicationError:
      return ShowSessionBox("アプリケーションエラー！\r\n" + text, kMbExclamation);
    case SessionBox::kInformation:
      return ShowSessionBox(text, kMbInformation);
    case SessionBox::kNone:
      return;
  }
}

SessionView ViewOf(const SessionNotice& notice) {
  const SmtpNotice& n = notice.dialogue;
  SessionView view;
  if (notice.kind == SessionNotice::kBroken) {
    view.status = view.traceText = view.boxText = n.text;
    view.traceMark = "*";
    view.box = SessionBox::kApplicationError;
    return view;
  }
  switch (n.kind) {
    case SmtpNotice::kReply:
      view.status = view.traceText = n.text;
      view.traceMark = "<";
      // Only a whole reply restarts the wait: endless continuation lines still time out.
      view.restartWait = n.lastLine;
      break;
    case SmtpNotice::kCommand:
      view.status = n.text;
      view.traceMark = ">";
      view.traceText = n.text == "\r\n.\r\n" ? "." : n.text;
      view.progress = n.progress;
      break;
    case SmtpNotice::kMessage:
      break;
    case SmtpNotice::kStartTls:
      view.startTls = true;
      break;
    case SmtpNotice::kAuthError:
      view.traceMark = "*";
      view.traceText = "XOAUTH2 の拒否理由: " + n.text;
      break;
    case SmtpNotice::kFailed:
      view.status = view.boxText = n.text;
      view.box = SessionBox::kWarning;
      // A known refusal is explained in the trace and the box.
      if (const std::string why = RefusalExplanation(n.text); !why.empty()) {
        view.traceMark = "*";
        view.traceText = why;
        view.boxText += "\r\n" + why;
      }
      break;
    case SmtpNotice::kSent:
      view.progress = n.progress;
      view.sent = true;
      view.status = view.boxText = "メッセージが送信されました！";
      view.box = SessionBox::kInformation;
      break;
  }
  return view;
}

std::string LastLineOf(std::string_view block) {
  if (block.size() >= 2 && block.substr(block.size() - 2) == "\r\n") block.remove_suffix(2);
  const std::size_t start = block.rfind('\n');
  return std::string(start == std::string_view::npos ? block : block.substr(start + 1)) + "\r\n";
}

}  // namespace zq
