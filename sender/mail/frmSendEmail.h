// The mail session window: starts the socket library, composes the message, connects,
// runs the SMTP dialogue (SmtpDialogue) on socket notifications that arrive as window
// messages, shows progress, and ends itself after success, failure or the time-out.
#pragma once

#include "sender/mail/basWSock_win.h"

#include <memory>
#include <string>

#include "sender/mail/MailComposition.h"
#include "sender/mail/SessionTrace.h"
#include "sender/mail/SmtpDialogue.h"

namespace zq {

class frmSendEmail {
 public:
  frmSendEmail(const MailInputs& inputs, const MailContext& context);
  frmSendEmail(const frmSendEmail&) = delete;
  frmSendEmail& operator=(const frmSendEmail&) = delete;
  ~frmSendEmail();

  // Shows the window and serves its messages until it is gone; returns the exit code.
  int Show();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void Form_Load();
  void cmdButton_Click(int index);
  void tmrUnload_Timer();
  void PortConnect_Notify(int error);
  void PortData_Notify(int error);
  void PortData2_Notify(int error);
  void PortClosed_Notify(int error);

  bool InitSockets();
  void Send();
  void ReceiveOnce();
  void Pump();
  void ApplyNotices();
  void ServerClosed(int error);
  void SocketFailure(int result, const std::string& text);
  // Ends the session: sockets closed, library released, `exitCode` kept, the box shown
  // (when messages are shown), and with auto-close the window destroyed.
  enum class Box { kNone, kWarning, kApplicationError, kInformation };
  void EndSession(int exitCode, Box box = Box::kNone, const std::string& boxText = {});

  void SetStatus(const std::string& text);
  void SetStatusThrottled(const std::string& text);
  void Advance(int steps);
  void RestartTimer();
  void Trace(std::string_view mark, std::string_view text);

  const MailInputs inputs_;
  const MailContext context_;
  const bool showMessages_;
  HWND window_ = nullptr;
  bool socketsStarted_ = false;
  bool ended_ = false;
  int exitCode_ = kMailInitial;
  UniqueSocket socket_;
  sockaddr_in address_{};
  std::unique_ptr<MailTextSource> source_;
  std::unique_ptr<SmtpDialogue> dialogue_;
  std::size_t outboxSent_ = 0;    // bytes at the front of the outbox already sent
  std::size_t messageBytes_ = 0;  // message text bytes sent
  int progress_ = 0;
  unsigned long lastStatusTick_ = 0;
  SessionTrace trace_;
};

}  // namespace zq
