// The mail session window. The connection's socket notifications arrive as one private
// message and come back as ConnectionEvents; the host look-up answers with another. Every
// wait for the server is bounded by tmrUnload, the whole TLS handshake by one wait; the wait
// between tries by the retry timer, which shows the time left.
#include "sender/mail/frmSendEmail.h"

#include <commctrl.h>

#include <algorithm>

#include "common/Cp932.h"
#include "common/PlatformText.h"
#include "common/ProgramDirectory.h"
#include "common/SecretText.h"
#include "sender/SenderMessages.h"
#include "sender/mail/MailSecurity.h"
#include "sender/mail/OAuthClient_win.h"
#include "sender/mail/SessionView.h"
#include "sender/mail/frmSendEmailIds.h"

namespace zq {
namespace {

// Once the outcome is known, the server gets this long to answer QUIT.
constexpr UINT kQuitWaitMs = 5000;

}  // namespace

frmSendEmail::frmSendEmail(const MailInputs& inputs, const MailContext& context)
    : ModelessDialog(IDD_frmSendEmail),
      inputs_(inputs),
      context_(context),
      showMessages_(LeadingNumber(inputs.showMessages) == 1),
      plan_(RelaysOf(inputs), RetryMinutesOf(inputs.retryMinutes)) {}

int frmSendEmail::Show() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  if (!trace_.Open(inputs_.sessionTracePath)) {
    traceFailure_ = "セッショントレースを作成できません: " + inputs_.sessionTracePath;
  }
  if (!Create()) return kExitWindowFailed;
  ::ShowWindow(window(), SW_SHOWNORMAL);
  RunMessageLoop();
  return exitCode_;
}

void frmSendEmail::OnInit() { Form_Load(); }

bool frmSendEmail::OnCommand(int id, int) {
  if (id == IDB_cmdButton0) cmdSend_Click();
  if (id == IDB_cmdButton1) cmdExit_Click();
  return true;
}

bool frmSendEmail::OnTimer(UINT_PTR timerId) {
  if (timerId == kUnloadTimer) tmrUnload_Timer();
  if (timerId == kRetryTimer && waiting_) RetryTimer_Tick();
  return true;
}

void frmSendEmail::OnClose() { cmdExit_Click(); }

// The program's own messages: the automatic send, the resolved host, socket events.
INT_PTR frmSendEmail::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_AUTO_SEND:
      cmdSend_Click();
      return TRUE;
    case WM_HOST_FOUND:
      HostFound_Notify(lParam);
      return TRUE;
    case WM_SOCKET_NOTIFY:
      connection_.Notify(wParam, lParam);
      return TRUE;
  }
  return FALSE;
}

void frmSendEmail::OnUnhandledException() {
  EndSession(kMailSendError, Box::kApplicationError, "予期しないエラーが発生しました。");
  Destroy();
}

void frmSendEmail::Form_Load() {
  controls_.Attach(window(), kPelmoraTitle);
  if (!InitSockets()) return;
  SetStatus(traceFailure_.empty() ? inputs_.port : traceFailure_);
  controls_.SetTitle("メール送信中…");
  if (inputs_.autoSend == "1") ::PostMessageA(window(), WM_AUTO_SEND, 0, 0);
}

bool frmSendEmail::InitSockets() {
  SetStatus("ソケットを初期化しています･･･");
  winsock_.emplace();
  if (!winsock_->error().empty()) {
    const std::string error = winsock_->error();
    SetStatus(error);
    EndSession(kExitSocketLibrary, Box::kApplicationError, error);
    return false;
  }
  SetStatus("ソケットの初期化が完了しました！");
  return true;
}

void frmSendEmail::cmdExit_Click() {
  EndSession(!waiting_ && session_ && session_->decided() ? session_->result() : kExitClosedByUser);
  Destroy();
}

void frmSendEmail::cmdSend_Click() {
  if (ended_ || sendStarted_) return;  // one send per session
  sendStarted_ = true;
  StartSending();
}

void frmSendEmail::StartSending() {
  ::EnableWindow(::GetDlgItem(window(), IDB_cmdButton0), FALSE);
  if (RecipientsOf(WithoutControlCharacters(inputs_.recipients)).empty()) {
    return OnFailed(kExitNoRecipient, "宛先（SmtpTo）にアドレスがありません。");
  }
  // An unknown mode, an unreadable password, or a login without TLS ends it unconnected.
  std::optional<TokenRequest> token;
  const SecurityRefusal refusal = ReadSecurity(inputs_, security_, token);
  if (refusal.exitCode != 0) return OnFailed(refusal.exitCode, refusal.text);
  if (token && !SignIn(*token)) return;
  Trace("*", RetryRuleText(RetryMinutesOf(inputs_.retryMinutes)));
  firstTryTick_ = ::GetTickCount();
  StartTry();
}

void frmSendEmail::HostFound_Notify(LPARAM answer) {
  if (ended_ || waiting_) return;
  std::string error;
  const auto address = lookup_.Answer(answer, error);
  if (!address) return ConnectFailure(error);
  Connect(*address);
}

void frmSendEmail::Connect(std::uint32_t address) {
  std::string error;
  if (!connection_.Connect(address, port_, error)) return ConnectFailure(error);
  RestartTimer();
}

void frmSendEmail::ConnectFailure(const std::string& text) {
  SetStatus(text);
  Trace("*", text);
  lastReply_ = text;
  EndTry(kMailNoConnection, Box::kInformation, kNoConnection);
}

void frmSendEmail::OnConnectFailed(const std::string& text) { ConnectFailure(text); }

void frmSendEmail::OnConnected() {
  SetStatus(plan_.relay().server + "に接続しました！");
  RestartTimer();  // the greeting (or the TLS handshake) is awaited
  if (security_.mode == SmtpSecurity::kImplicitTls) return StartTls();
  CreateSession();
}

void frmSendEmail::CreateSession() {
  session_ = std::make_unique<MailSession>(
      HeloName(LocalComputerName(), LocalAddressOf(connection_.socket())), inputs_.fromAddress,
      inputs_.recipients, *source_, static_cast<SocketPort&>(connection_), security_);
}

// One wait bounds the whole handshake: bytes trickling in do not restart it.
void frmSendEmail::StartTls() {
  const std::string& host = plan_.relay().server;
  ServerIdentity server{host, DottedAddress(host)};
  RestartTimer();
  connection_.StartTls(server, CaFileLocation(inputs_.caFile, ProgramDirectory()));
}

void frmSendEmail::OnTlsReady(const std::string& description) {
  Trace("*", description);
  SetStatus("TLS で接続しました！");
  RestartTimer();
  if (session_) {
    session_->TlsEstablished();
  } else {
    CreateSession();
  }
  ApplyNotices();
}

void frmSendEmail::OnReceived(std::string_view bytes) {
  if (!session_ || ended_ || waiting_) return;
  session_->Received(bytes);
  ApplyNotices();
}

void frmSendEmail::OnWriteReady() {
  if (!session_ || ended_ || waiting_) return;
  session_->WriteReady();
  ApplyNotices();
}

void frmSendEmail::OnTaken(std::string_view bytes) {
  RestartTimer();
  if (session_ && session_->phase() == SmtpDialogue::Phase::kMessage) {
    controls_.SetStatusThrottled(LastLineOf(bytes));
  }
}

void frmSendEmail::OnFailed(int exitCode, const std::string& text) {
  if (session_ && session_->decided()) return FinishSession();
  SetStatus(text);
  Trace("*", text);
  if (lastReply_.empty()) lastReply_ = text;
  EndTry(exitCode, Box::kApplicationError, text);
}

void frmSendEmail::OnServerClosed(int error) {
  if (session_ && session_->decided()) return FinishSession();
  const std::string text = error == WSAECONNRESET || error == WSAECONNABORTED
                               ? "接続が切れました！"
                               : "切断されています！";
  SetStatus(text);
  Trace("*", text);
  EndTry(kMailClosedByServer, Box::kInformation, text);
}

void frmSendEmail::ApplyNotices() {
  if (waiting_) return;  // the try ended beneath the session's own call
  for (const SessionNotice& notice : session_->TakeNotices()) {
    KeepLastReply(notice);
    const SessionView view = ViewOf(notice);
    if (!view.status.empty()) SetStatus(view.status);
    if (!view.traceText.empty()) Trace(view.traceMark, view.traceText);
    controls_.Advance(view.progress);
    if (view.restartWait) RestartTimer();
    if (view.startTls) StartTls();
    if (view.sent) {
      controls_.Complete();
      controls_.SetTitle("メール送信完了！");
    }
    if (view.box != Box::kNone) {
      box_ = view.box;
      boxText_ = view.boxText;
    }
  }
  if (session_->finished()) FinishSession();
}

// The reply the outcome came with: replies after it (to QUIT) do not replace it.
void frmSendEmail::KeepLastReply(const SessionNotice& notice) {
  if (notice.kind != SessionNotice::kDialogue || replyKept_) return;
  const SmtpNotice& n = notice.dialogue;
  if (n.kind == SmtpNotice::kFailed || n.kind == SmtpNotice::kSent) replyKept_ = true;
  if (n.kind != SmtpNotice::kReply || !n.lastLine) return;
  lastReply_ = LastLineOf(n.text);
  lastReply_.resize(lastReply_.size() - 2);  // without its CR LF
}

void frmSendEmail::FinishSession() { EndTry(session_->result(), box_, boxText_); }

void frmSendEmail::tmrUnload_Timer() {
  ::KillTimer(window(), kUnloadTimer);
  if (session_ && session_->decided()) {
    Trace("*", "QUIT の応答がありません");
    return FinishSession();
  }
  SetStatus("タイムアウトが発生しました！");
  Trace("*", "タイムアウトが発生しました！");
  EndTry(kMailTimedOut, Box::kWarning, "タイムアウトが発生しました！");
  if (ended_) Destroy();  // whatever auto-close says
}

void frmSendEmail::EndSession(int exitCode, Box box, const std::string& boxText) {
  if (ended_) return;
  ended_ = true;
  const bool betweenTries = waiting_;
  waiting_ = false;
  exitCode_ = betweenTries ? exitCode : StopTry(exitCode);
  if (window()) ::KillTimer(window(), kRetryTimer);
  winsock_.reset();
  WipeString(security_.password);
  WipeString(security_.bearerToken);
  const int tries = plan_.tryNumber() - (betweenTries ? 1 : 0);
  outcome_ = {exitCode_, RelayText(plan_.relay()), tries, lastReply_, inputs_.sessionTracePath};
  if (exitCode_ == kMailSent) Trace("*", AcceptedTraceText(outcome_.relay, tries));
  trace_.WriteOutcome(LocalClockText(), "*", "終了コード " + std::to_string(exitCode_));
  if (showMessages_) {
    ShowSessionOutcomeBox(box, traceFailure_.empty() ? boxText : boxText + "\r\n" + traceFailure_);
  }
  ::EnableWindow(::GetDlgItem(window(), IDB_cmdButton0), FALSE);
  if (inputs_.autoClose == "1") Destroy();
}

// A time-out that is not a positive number of seconds (at most a day) is 60 seconds.
UINT frmSendEmail::TimeoutMs() const {
  const double seconds = LeadingNumber(inputs_.timeoutSeconds);
  return seconds >= 1 && seconds <= 86400 ? static_cast<UINT>(seconds * 1000) : 60000;
}

void frmSendEmail::RestartTimer() {
  if (!window()) return;
  UINT milliseconds = TimeoutMs();
  if (session_ && session_->decided()) milliseconds = std::min(milliseconds, kQuitWaitMs);
  ::SetTimer(window(), kUnloadTimer, milliseconds, nullptr);
}

void frmSendEmail::Trace(std::string_view mark, std::string_view text) {
  trace_.Write(LocalClockText(), mark, text);
}

}  // namespace zq
