// The mail session window: starts the socket library, composes the message, looks the relay
// up and connects, then wires the connection's events to the portable MailSession and shows
// its progress. A try that fails transiently is tried again as DeliveryPlan says (the same
// message each time); the window ends itself after the outcome, a failure or the time-out.
#pragma once

#include "sender/mail/SecureConnection_win.h"

#include <memory>
#include <optional>
#include <string>

#include "common/ModelessDialog.h"
#include "sender/mail/DeliveryEvent.h"
#include "sender/mail/DeliveryPlan.h"
#include "sender/mail/MailComposition.h"
#include "sender/mail/MailSession.h"
#include "sender/mail/SessionControls_win.h"
#include "sender/mail/SessionTrace.h"
#include "sender/mail/SessionView.h"
#include "sender/mail/SocketText.h"

namespace zq {

struct TokenRequest;

class frmSendEmail final : public ModelessDialog, private ConnectionEvents {
 public:
  frmSendEmail(const MailInputs& inputs, const MailContext& context);

  // Shows the window and serves its messages until it is gone; returns the exit code.
  int Show();
  // How the session ended, once Show() returned.
  const DeliveryOutcome& outcome() const { return outcome_; }

 private:
  using Box = SessionBox;

  void OnInit() override;
  bool OnCommand(int id, int code) override;
  bool OnTimer(UINT_PTR timerId) override;
  void OnClose() override;
  INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnUnhandledException() override;

  void Form_Load();
  void cmdSend_Click();  // also the automatic send
  void cmdExit_Click();  // also closing the window
  void tmrUnload_Timer();
  void HostFound_Notify(LPARAM answer);

  // ConnectionEvents: what the socket and TLS layer report.
  void OnConnected() override;
  void OnReceived(std::string_view bytes) override;
  void OnTlsReady(const std::string& description) override;
  void OnWriteReady() override;
  void OnTaken(std::string_view bytes) override;
  void OnConnectFailed(const std::string& text) override;
  void OnFailed(int exitCode, const std::string& text) override;
  void OnServerClosed(int error) override;
  void OnSendFailure(const std::string& text) override { Trace("*", text); }

  bool InitSockets();
  void StartSending();
  void StartTry();
  // Fetches the OAuth 2.0 token into security_; false when the session ended without one.
  bool SignIn(TokenRequest& request);
  void RetryTimer_Tick();
  void CreateSession();
  void StartTls();
  void Connect(std::uint32_t address);
  void ConnectFailure(const std::string& text);
  void ApplyNotices();
  void KeepLastReply(const SessionNotice& notice);
  // The try's outcome is final: the try ends with it.
  void FinishSession();
  // Ends the try with `exitCode` (the session may make it "outcome unknown"), then waits for
  // the next try or ends the session.
  void EndTry(int exitCode, Box box = Box::kNone, const std::string& boxText = {});
  // Stops the try: lookup cancelled, session aborted, socket closed; the try's exit code.
  int StopTry(int exitCode);
  // Ends the session: the try stopped, library released, `exitCode` kept, the box shown
  // (when messages are shown), and with auto-close the window destroyed.
  void EndSession(int exitCode, Box box = Box::kNone, const std::string& boxText = {});

  void SetStatus(const std::string& text) { controls_.SetStatus(text); }
  UINT TimeoutMs() const;
  void RestartTimer();
  void Trace(std::string_view mark, std::string_view text);

  const MailInputs inputs_;
  const MailContext context_;
  const bool showMessages_;
  bool sendStarted_ = false;
  bool ended_ = false;
  bool waiting_ = false;  // between tries
  DeliveryPlan plan_;
  // GetTickCount at the first try and at the start of the wait (differences survive the wrap).
  DWORD firstTryTick_ = 0, waitStartTick_ = 0;
  std::uint64_t waitMs_ = 0;
  std::string lastReply_;   // the server's last reply line, or why there was none
  bool replyKept_ = false;  // the outcome's reply came: lastReply_ stays
  DeliveryOutcome outcome_;
  int exitCode_ = kExitClosedByUser;
  std::optional<WinsockStartup> winsock_;
  SecureConnection connection_{*this};
  HostLookup lookup_;
  std::unique_ptr<MailTextSource> source_;
  std::unique_ptr<MailSession> session_;
  SmtpSecurity security_;
  std::uint16_t port_ = 25;
  Box box_ = Box::kNone;  // the box the outcome shows
  std::string boxText_;
  SessionControls controls_;
  SessionTrace trace_;
  std::string traceFailure_;  // why the trace could not be created, said with the outcome
};

}  // namespace zq
