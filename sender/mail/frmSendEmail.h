// The mail session window: starts the socket library, composes the message, looks the server
// up and connects, then wires the socket's notifications to the portable MailSession and
// shows its progress; it ends itself after the outcome, a failure or the time-out.
#pragma once

#include "sender/mail/basWSock_win.h"

#include <memory>
#include <optional>
#include <string>

#include "common/ModelessDialog.h"
#include "sender/mail/MailComposition.h"
#include "sender/mail/MailSession.h"
#include "sender/mail/SessionTrace.h"
#include "sender/mail/TlsChannel_win.h"

namespace zq {

class frmSendEmail final : public ModelessDialog, private SocketPort {
 public:
  frmSendEmail(const MailInputs& inputs, const MailContext& context);

  // Shows the window and serves its messages until it is gone; returns the exit code.
  int Show();

 private:
  enum class Box { kNone, kWarning, kApplicationError, kInformation };

  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnUnhandledException() override;

  void Form_Load();
  void cmdButton_Click(int index);
  void tmrUnload_Timer();
  void HostFound_Notify(LPARAM answer);
  void PortConnect_Notify(int error);
  void PortData_Notify(int error);
  void PortData2_Notify(int error);
  void PortClosed_Notify(int error);

  // SocketPort: the session's bytes go to the socket.
  SendResult Send(std::string_view bytes) override;
  SendResult SendRaw(std::string_view bytes);
  void Taken(std::string_view bytes) override;

  bool InitSockets();
  void StartSending();
  bool ReadSecurity();
  void CreateSession();
  // TLS between the socket and the session: the handshake started, received bytes taken
  // through it, records waiting for the socket.
  void StartTls();
  void Deliver(std::string_view bytes);
  void HandshakeBytes(std::string_view bytes);
  void QueueRecords(const std::string& records);
  bool FlushRecords(SendResult& result);
  void TlsFailure(int exitCode, const std::string& text);
  void Connect(std::uint32_t address);
  bool ReceiveOnce();
  void ApplyNotices();
  void ServerClosed(int error);
  void SocketFailure(int exitCode, const std::string& text);
  // The session's outcome is final: the session ends with it.
  void FinishSession();
  // Ends the session: lookup cancelled, socket closed, library released, `exitCode` kept,
  // the box shown (when messages are shown), and with auto-close the window destroyed.
  void EndSession(int exitCode, Box box = Box::kNone, const std::string& boxText = {});

  void SetStatus(const std::string& text);
  void SetStatusThrottled(const std::string& text);
  void Advance(int steps);
  void RestartTimer();
  void Trace(std::string_view mark, std::string_view text);

  const MailInputs inputs_;
  const MailContext context_;
  const bool showMessages_;
  bool sendStarted_ = false;
  bool ended_ = false;
  int exitCode_ = kExitClosedByUser;
  std::optional<WinsockStartup> winsock_;
  UniqueSocket socket_;
  HostLookup lookup_;
  std::unique_ptr<MailTextSource> source_;
  std::unique_ptr<MailSession> session_;
  SmtpSecurity security_;
  std::unique_ptr<TlsChannel> tls_;
  bool tlsReady_ = false;
  std::string records_;  // encrypted bytes not yet taken by the socket
  std::size_t recordsSent_ = 0;
  Box box_ = Box::kNone;  // the box the outcome shows
  std::string boxText_;
  int progress_ = 0;
  unsigned long lastStatusTick_ = 0;
  SessionTrace trace_;
};

}  // namespace zq
