// The sign-in and the tries of the mail session window: an OAuth 2.0 token is fetched once,
// before any connection; each try composes the message afresh and connects to the relay the
// plan names; a try that ends transiently waits on the retry timer for the next.
#include <algorithm>

#include "common/Cp932.h"
#include "common/ProgramDirectory.h"
#include "sender/mail/MailSecurity.h"
#include "sender/mail/OAuthClient_win.h"
#include "sender/mail/frmSendEmail.h"
#include "sender/mail/frmSendEmailIds.h"

namespace zq {

// The token request is bounded by the session time-out; the window is not served meanwhile.
bool frmSendEmail::SignIn(TokenRequest& request) {
  SetStatus("OAuth 2.0 のトークンを取得しています･･･");
  request.caFile = CaFileLocation(inputs_.caFile, ProgramDirectory());
  if (!request.keyFilePath.empty()) {
    request.keyFilePath = CaFileLocation(request.keyFilePath, ProgramDirectory());
  }
  request.timeoutMs = TimeoutMs();
  TokenOutcome outcome = FetchToken(request);
  WipeString(request.secret);
  for (const std::string& line : outcome.trace) Trace("*", line);
  if (outcome.exitCode != 0) {
    OnFailed(outcome.exitCode, outcome.failure);
    return false;
  }
  security_.bearerToken = std::move(outcome.token);
  return true;
}

// One try: the message composed afresh (the same Message-ID every time), the relay of the
// plan looked up and connected.
void frmSendEmail::StartTry() {
  waiting_ = false;
  session_.reset();
  lastReply_.clear();
  replyKept_ = false;
  const Relay& relay = plan_.relay();
  const std::string number = std::to_string(plan_.tryNumber());
  controls_.Reset();
  controls_.SetTitle(SendingTitle(plan_.tryNumber()));
  source_ = std::make_unique<MailTextSource>(inputs_, context_);
  if (!source_->Open()) return OnFailed(kExitReportLogFailed, source_->error());
  std::string error;
  if (!connection_.Open(window(), WM_SOCKET_NOTIFY, error)) {
    SetStatus("ソケットを生成できませんでした！");
    return EndTry(kMailNoConnection, Box::kApplicationError, error);
  }
  SetStatus("ソケットが生成されました！");
  Trace("*", "試行 " + number + ": " + RelayText(relay));
  const auto port =
      TrimBlanks(relay.port).empty() ? DefaultPortOf(security_.mode) : PortNumberOf(relay.port);
  if (!port) return ConnectFailure(WSockErrorText(WSAEADDRNOTAVAIL));
  port_ = *port;
  SetStatus(relay.server + "に接続しています･･･");
  RestartTimer();  // the look-up is inside the time-out too
  if (const auto address = DottedAddress(relay.server)) return Connect(*address);
  if (!lookup_.Start(window(), WM_HOST_FOUND, relay.server, error)) ConnectFailure(error);
}

void frmSendEmail::RetryTimer_Tick() {
  const std::uint64_t waited = ::GetTickCount() - waitStartTick_;
  if (waited >= waitMs_) {
    ::KillTimer(window(), kRetryTimer);
    return StartTry();
  }
  const std::uint64_t remaining = waitMs_ - waited;
  SetStatus(RetryWaitText(plan_.tryNumber(), plan_.relay(), remaining));
  ::SetTimer(window(), kRetryTimer, static_cast<UINT>(std::min<std::uint64_t>(remaining, 1000)),
             nullptr);
}

int frmSendEmail::StopTry(int exitCode) {
  if (window()) ::KillTimer(window(), kUnloadTimer);
  lookup_.Cancel();
  int code = exitCode;
  if (session_) {
    session_->Abort(exitCode);
    code = session_->result();
  }
  connection_.Close();
  return code;
}

void frmSendEmail::EndTry(int exitCode, Box box, const std::string& boxText) {
  if (ended_ || waiting_) return;
  const bool transientReply = session_ && session_->transient();
  const int code = StopTry(exitCode);
  const int failedTry = plan_.tryNumber();
  const auto wait = plan_.Next(TryEndOf(code, transientReply), ::GetTickCount() - firstTryTick_);
  if (!wait) return EndSession(code, box, boxText);
  Trace("*", RetryTraceText(failedTry, code, *wait, plan_.tryNumber(), plan_.relay()));
  waiting_ = true;
  waitStartTick_ = ::GetTickCount();
  waitMs_ = *wait;
  controls_.SetTitle("再試行を待っています…");
  SetStatus(RetryWaitText(plan_.tryNumber(), plan_.relay(), *wait));
  ::SetTimer(window(), kRetryTimer, static_cast<UINT>(std::clamp<std::uint64_t>(*wait, 1, 1000)),
             nullptr);
}

}  // namespace zq
