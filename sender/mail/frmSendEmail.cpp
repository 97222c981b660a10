// The mail session window. All socket notifications arrive as one private message and are
// dispatched by their event bit to the connect, read, write and close handlers; the host
// look-up answers with another. Every wait for the server is bounded by tmrUnload.
#include "sender/mail/frmSendEmail.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "common/Cp932.h"
#include "common/PlatformText.h"
#include "common/ProtectedText_win.h"
#include "sender/basPelmora.h"
#include "sender/mail/basWSock.h"
#include "sender/mail/frmSendEmailIds.h"

namespace zq {
namespace {

constexpr UINT WM_SOCKET_NOTIFY = WM_APP + 1;  // wParam socket, lParam event and error words
constexpr UINT WM_AUTO_SEND = WM_APP + 2;      // posted at load when auto-send is "1"
constexpr UINT WM_HOST_FOUND = WM_APP + 3;     // the answer of the host look-up
constexpr UINT_PTR kUnloadTimer = 1;
constexpr std::size_t kReceiveBytes = 4096;
// A send buffer that takes a whole block keeps the wait for write-ready notifications rare.
constexpr int kSocketSendBufferBytes = 1024 * 1024;
constexpr DWORD kStatusIntervalMs = 250;
// Once the outcome is known, the server gets this long to answer QUIT.
constexpr UINT kQuitWaitMs = 5000;
// Plain text is encrypted at most this much at a time, so the records waiting stay small.
constexpr std::size_t kRecordChunkBytes = 1024 * 1024;

// "hh:nn:ss.mmm" of the local clock, for the trace.
std::string ClockText() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u", now.wHour, now.wMinute, now.wSecond,
                now.wMilliseconds);
  return text;
}

// The last whole line of a block of message text, for the status line.
std::string LastLineOf(std::string_view block) {
  if (block.size() >= 2 && block.substr(block.size() - 2) == "\r\n") block.remove_suffix(2);
  const std::size_t start = block.rfind('\n');
  return std::string(start == std::string_view::npos ? block : block.substr(start + 1)) + "\r\n";
}

// Text in the system code page as UTF-8, the form SASL expects for names and passwords.
std::string Utf8Of(const std::string& text) {
  const int wide =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), utf16.data(), wide);
  const int length =
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

}  // namespace

frmSendEmail::frmSendEmail(const MailInputs& inputs, const MailContext& context)
    : ModelessDialog(IDD_frmSendEmail),
      inputs_(inputs),
      context_(context),
      showMessages_(LeadingNumber(inputs.showMessages) == 1) {}

int frmSendEmail::Show() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  trace_.Open(inputs_.sessionTracePath);
  if (!Create()) {
    Trace("*", "ウィンドウを作成できませんでした！ (" + std::to_string(::GetLastError()) + ")");
    Trace("*", "終了コード " + std::to_string(kExitWindowFailed));
    return kExitWindowFailed;
  }
  ::ShowWindow(window(), SW_SHOWNORMAL);
  RunMessageLoop();
  return exitCode_;
}

INT_PTR frmSendEmail::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      Form_Load();
      return TRUE;
    case WM_AUTO_SEND:
      cmdButton_Click(0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDB_cmdButton0) cmdButton_Click(0);
      if (LOWORD(wParam) == IDB_cmdButton1) cmdButton_Click(1);
      return TRUE;
    case WM_TIMER:
      if (wParam == kUnloadTimer) tmrUnload_Timer();
      return TRUE;
    case WM_HOST_FOUND:
      HostFound_Notify(lParam);
      return TRUE;
    case WM_SOCKET_NOTIFY: {
      if (!socket_ || static_cast<SOCKET>(wParam) != socket_.get()) return TRUE;  // stale
      const int error = WSAGETSELECTERROR(lParam);
      switch (WSAGETSELECTEVENT(lParam)) {
        case FD_CONNECT:
          PortConnect_Notify(error);
          break;
        case FD_READ:
          PortData_Notify(error);
          break;
        case FD_WRITE:
          PortData2_Notify(error);
          break;
        case FD_CLOSE:
          PortClosed_Notify(error);
          break;
      }
      return TRUE;
    }
    case WM_CLOSE:
      EndSession(session_ && session_->decided() ? session_->result() : kExitClosedByUser);
      Destroy();
      return TRUE;
  }
  return FALSE;
}

void frmSendEmail::OnUnhandledException() {
  EndSession(kMailSendError, Box::kApplicationError, "予期しないエラーが発生しました。");
  Destroy();
}

void frmSendEmail::Form_Load() {
  RECT frame{};
  ::GetWindowRect(window(), &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(window(), nullptr, ::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2,
                 ::GetSystemMetrics(SM_CYSCREEN) * 85 / 200 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  ::SetWindowTextA(window(), kPelmoraTitle);
  ::SendDlgItemMessageA(window(), IDP_ProgressBar1, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  if (!InitSockets()) return;
  SetStatus(inputs_.port);
  ::SetDlgItemTextA(window(), IDL_lblTitle, "メール送信中…");
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

void frmSendEmail::cmdButton_Click(int index) {
  if (index == 1) {
    EndSession(session_ && session_->decided() ? session_->result() : kExitClosedByUser);
    Destroy();
    return;
  }
  if (ended_ || sendStarted_) return;  // one send per session
  sendStarted_ = true;
  StartSending();
}

void frmSendEmail::StartSending() {
  ::EnableWindow(::GetDlgItem(window(), IDB_cmdButton0), FALSE);
  if (RecipientsOf(WithoutControlCharacters(inputs_.recipients)).empty()) {
    const std::string text = "宛先（SmtpTo）にアドレスがありません。";
    SetStatus(text);
    Trace("*", text);
    return EndSession(kExitNoRecipient, Box::kApplicationError, text);
  }
  if (!ReadSecurity()) return;
  source_ = std::make_unique<MailTextSource>(inputs_, context_);
  if (!source_->Open()) {
    SetStatus(source_->error());
    Trace("*", source_->error());
    return EndSession(kExitReportLogFailed, Box::kApplicationError, source_->error());
  }
  std::string error;
  socket_.reset(SockCreate(AF_INET, SOCK_STREAM, error));
  if (!socket_) {
    SetStatus("ソケットを生成できませんでした！");
    return EndSession(kMailNoConnection, Box::kApplicationError, error);
  }
  SetStatus("ソケットが生成されました！");
  Trace("*", inputs_.server + ":" + inputs_.port);
  if (!PortNumberOf(inputs_.port)) error = WSockErrorText(WSAEADDRNOTAVAIL);
  if (error.empty()) {
    SockSelect(socket_.get(), window(), WM_SOCKET_NOTIFY,
               FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE, error);
  }
  if (!error.empty()) {
    SetStatus(error);
    Trace("*", error);
    return EndSession(kMailNoConnection, Box::kInformation, "接続できませんでした！");
  }
  SetStatus(inputs_.server + "に接続しています･･･");
  RestartTimer();  // the look-up is inside the time-out too
  if (const auto address = DottedAddress(inputs_.server)) return Connect(*address);
  if (!lookup_.Start(window(), WM_HOST_FOUND, inputs_.server, error)) {
    SetStatus(error);
    Trace("*", error);
    EndSession(kMailNoConnection, Box::kInformation, "接続できませんでした！");
  }
}

// The security asked for and the login, settled before anything is sent: an unknown mode,
// an unreadable password, or a login without TLS ends the session unconnected.
bool frmSendEmail::ReadSecurity() {
  std::string mode(TrimBlanks(inputs_.security));
  for (char& c : mode) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  std::string refusal;
  int exitCode = 0;
  if (mode == "STARTTLS") {
    security_.mode = SmtpSecurity::kStartTls;
  } else if (mode == "TLS") {
    security_.mode = SmtpSecurity::kImplicitTls;
  } else if (!mode.empty()) {
    refusal = "SmtpSecurity の値が正しくありません: " + mode;
    exitCode = kMailTlsFailed;
  }
  security_.user = Utf8Of(std::string(TrimBlanks(inputs_.user)));
  if (refusal.empty() && !security_.user.empty()) {
    if (const auto password = UnprotectText(std::string(TrimBlanks(inputs_.protectedPassword)))) {
      security_.password = Utf8Of(*password);
    } else {
      refusal = "SmtpPassword を復号できません（このコンピュータで保護されたものではありません）";
      exitCode = kMailPasswordUnreadable;
    }
  }
  if (refusal.empty() && !security_.user.empty() && security_.mode == SmtpSecurity::kPlain) {
    refusal = "暗号化されていない接続では認証情報を送りません（SmtpSecurity を指定してください）";
    exitCode = kMailAuthRefused;
  }
  if (refusal.empty()) return true;
  SetStatus(refusal);
  Trace("*", refusal);
  EndSession(exitCode, Box::kApplicationError, refusal);
  return false;
}

void frmSendEmail::HostFound_Notify(LPARAM answer) {
  if (ended_) return;
  std::string error;
  const auto address = lookup_.Answer(answer, error);
  if (!address) {
    SetStatus(error);
    Trace("*", error);
    return EndSession(kMailNoConnection, Box::kInformation, "接続できませんでした！");
  }
  Connect(*address);
}

void frmSendEmail::Connect(std::uint32_t address) {
  std::string error;
  if (!SockConnectAsync(socket_.get(), address, *PortNumberOf(inputs_.port), error)) {
    SetStatus(error);
    Trace("*", error);
    return EndSession(kMailNoConnection, Box::kInformation, "接続できませんでした！");
  }
  RestartTimer();
}

void frmSendEmail::PortConnect_Notify(int error) {
  if (error != 0) {
    SetStatus("接続できませんでした！");
    Trace("*", WSockErrorText(error));
    return EndSession(kMailNoConnection, Box::kInformation, "接続できませんでした！");
  }
  // The last small writes must not wait for a delayed acknowledgement.
  const BOOL noDelay = TRUE;
  ::setsockopt(socket_.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
  ::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDBUF,
               reinterpret_cast<const char*>(&kSocketSendBufferBytes),
               sizeof kSocketSendBufferBytes);
  SetStatus(inputs_.server + "に接続しました！");
  RestartTimer();  // the greeting (or the TLS handshake) is awaited
  if (security_.mode == SmtpSecurity::kImplicitTls) return StartTls();
  CreateSession();
}

void frmSendEmail::CreateSession() {
  session_ = std::make_unique<MailSession>(
      HeloName(LocalComputerName(), LocalAddressOf(socket_.get())), inputs_.fromAddress,
      inputs_.recipients, *source_, static_cast<SocketPort&>(*this), security_);
}

void frmSendEmail::StartTls() {
  // The name check and SNI take a host name only, never an address literal.
  const std::string name = DottedAddress(inputs_.server) ? "" : inputs_.server;
  tls_ = std::make_unique<TlsChannel>(name, std::string(TrimBlanks(inputs_.caFile)));
  std::string hello;
  if (tls_->Start(hello) == TlsChannel::Step::kFailed) {
    return TlsFailure(kMailTlsFailed, tls_->error());
  }
  QueueRecords(hello);
  RestartTimer();
}

// Bytes from the socket: plain to the session, or through TLS.
void frmSendEmail::Deliver(std::string_view bytes) {
  if (!tls_) {
    session_->Received(bytes);
    return ApplyNotices();
  }
  if (!tlsReady_) return HandshakeBytes(bytes);
  std::string plain, answer;
  if (!tls_->Decrypt(bytes, plain, answer)) return TlsFailure(kMailTlsFailed, tls_->error());
  QueueRecords(answer);
  if (!plain.empty()) {
    session_->Received(plain);
    ApplyNotices();
  }
  if (tls_->closed() && !ended_) ServerClosed(0);
}

void frmSendEmail::HandshakeBytes(std::string_view bytes) {
  std::string answer;
  const TlsChannel::Step step = tls_->Handshake(bytes, answer);
  QueueRecords(answer);
  if (step == TlsChannel::Step::kFailed) return TlsFailure(kMailTlsFailed, tls_->error());
  RestartTimer();
  if (step == TlsChannel::Step::kContinue || ended_) return;
  if (const std::string refusal = tls_->VerifyServer(); !refusal.empty()) {
    return TlsFailure(kMailCertificateRejected, refusal);
  }
  tlsReady_ = true;
  Trace("*", tls_->Description());
  SetStatus("TLS で接続しました！");
  if (session_) {
    session_->TlsEstablished();
  } else {
    CreateSession();
  }
  ApplyNotices();
  const std::string extra = tls_->TakeExtra();
  if (!extra.empty() && !ended_) Deliver(extra);
}

void frmSendEmail::QueueRecords(const std::string& records) {
  if (records.empty()) return;
  records_.append(records);
  SendResult result;
  if (!FlushRecords(result) && result.error != 0) {
    SocketFailure(kMailSendError, WSockErrorText(result.error));
  }
}

// Hands the waiting records to the socket; true when none is left.
bool frmSendEmail::FlushRecords(SendResult& result) {
  while (recordsSent_ < records_.size()) {
    const SendResult sent = SendRaw(std::string_view(records_).substr(recordsSent_));
    if (sent.taken == 0) {
      result = sent;
      return false;
    }
    recordsSent_ += sent.taken;
  }
  records_.clear();
  recordsSent_ = 0;
  return true;
}

void frmSendEmail::TlsFailure(int exitCode, const std::string& text) {
  if (ended_) return;
  SetStatus(text);
  Trace("*", text);
  EndSession(exitCode, Box::kApplicationError, text);
}

void frmSendEmail::PortData_Notify(int error) {
  if (error != 0) {
    return SocketFailure(kMailReceiveError,
                         "データ受信エラーが発生しました！\r\n" + WSockErrorText(error));
  }
  ReceiveOnce();
}

// One receive into the session; false when the session ended or nothing was there.
bool frmSendEmail::ReceiveOnce() {
  if (!session_ && !tls_) return false;
  char buffer[kReceiveBytes];
  const int received = ::recv(socket_.get(), buffer, sizeof buffer, 0);
  if (received == SOCKET_ERROR) {
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) SocketFailure(kMailReceiveError, WSockErrorText(error));
    return false;
  }
  if (received == 0) {
    ServerClosed(::WSAGetLastError());
    return false;
  }
  Deliver(std::string_view(buffer, static_cast<std::size_t>(received)));
  return !ended_;
}

void frmSendEmail::PortData2_Notify(int error) {
  if (error != 0) return SocketFailure(kMailSendError, WSockErrorText(error));
  SendResult pending;
  if (!FlushRecords(pending)) {
    if (pending.error != 0) SocketFailure(kMailSendError, WSockErrorText(pending.error));
    return;
  }
  if (!session_) return;
  session_->WriteReady();
  ApplyNotices();
}

void frmSendEmail::PortClosed_Notify(int error) {
  // What the server sent before it closed is read and judged first.
  while (ReceiveOnce()) {
  }
  if (!ended_) ServerClosed(error);
}

void frmSendEmail::ServerClosed(int error) {
  if (session_ && session_->decided()) return FinishSession();
  const std::string text = error == WSAECONNRESET || error == WSAECONNABORTED
                               ? "接続が切れました！"
                               : "切断されています！";
  SetStatus(text);
  EndSession(kMailClosedByServer, Box::kInformation, text);
}

void frmSendEmail::SocketFailure(int exitCode, const std::string& text) {
  if (session_ && session_->decided()) return FinishSession();
  SetStatus(text);
  EndSession(exitCode, Box::kApplicationError, text);
}

void frmSendEmail::ApplyNotices() {
  for (const SessionNotice& notice : session_->TakeNotices()) {
    const SmtpNotice& n = notice.dialogue;
    if (notice.kind == SessionNotice::kBroken) {
      SetStatus(n.text);
      Trace("*", n.text);
      box_ = Box::kApplicationError;
      boxText_ = n.text;
      continue;
    }
    switch (n.kind) {
      case SmtpNotice::kReply:
        SetStatus(n.text);
        Trace("<", n.text);
        // Only a whole reply restarts the wait: endless continuation lines still time out.
        if (n.lastLine) RestartTimer();
        break;
      case SmtpNotice::kCommand:
        SetStatus(n.text);
        Trace(">", n.text == "\r\n.\r\n" ? "." : n.text);
        Advance(n.progress);
        break;
      case SmtpNotice::kMessage:
        break;
      case SmtpNotice::kStartTls:
        StartTls();
        break;
      case SmtpNotice::kFailed:
        SetStatus(n.text);
        box_ = Box::kWarning;
        boxText_ = n.text;
        break;
      case SmtpNotice::kSent:
        Advance(n.progress);
        ::SendDlgItemMessageA(window(), IDP_ProgressBar1, PBM_SETPOS, 100, 0);
        ::SetDlgItemTextA(window(), IDL_lblTitle, "メール送信完了！");
        SetStatus("メッセージが送信されました！");
        box_ = Box::kInformation;
        boxText_ = "メッセージが送信されました！";
        break;
    }
  }
  if (session_->finished()) FinishSession();
}

void frmSendEmail::FinishSession() { EndSession(session_->result(), box_, boxText_); }

// The session's bytes: as they are, or encrypted once the records before them are gone.
SocketPort::SendResult frmSendEmail::Send(std::string_view bytes) {
  if (!tls_) return SendRaw(bytes);
  SendResult result;
  if (!FlushRecords(result)) return result;
  const std::string_view chunk = bytes.substr(0, kRecordChunkBytes);
  std::string records;
  if (!tls_->Encrypt(chunk, records)) {
    Trace("*", tls_->error());
    result.error = WSAECONNABORTED;
    return result;
  }
  records_ = std::move(records);
  SendResult ignored;
  if (!FlushRecords(ignored) && ignored.error != 0) {
    result.error = ignored.error;
    return result;
  }
  result.taken = chunk.size();
  return result;
}

SocketPort::SendResult frmSendEmail::SendRaw(std::string_view bytes) {
  SendResult result;
  const int length = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 30));
  const int sent = ::send(socket_.get(), bytes.data(), length, 0);
  if (sent != SOCKET_ERROR) {
    result.taken = static_cast<std::size_t>(sent);
  } else if (const int error = ::WSAGetLastError(); error == WSAEWOULDBLOCK) {
    result.wouldBlock = true;
  } else {
    result.error = error;
  }
  return result;
}

void frmSendEmail::Taken(std::string_view bytes) {
  RestartTimer();
  if (session_ && session_->phase() == SmtpDialogue::Phase::kMessage) {
    SetStatusThrottled(LastLineOf(bytes));
  }
}

void frmSendEmail::tmrUnload_Timer() {
  ::KillTimer(window(), kUnloadTimer);
  if (session_ && session_->decided()) {
    Trace("*", "QUIT の応答がありません");
    return FinishSession();
  }
  SetStatus("タイムアウトが発生しました！");
  EndSession(kMailTimedOut, Box::kWarning, "タイムアウトが発生しました！");
  Destroy();  // whatever auto-close says
}

void frmSendEmail::EndSession(int exitCode, Box box, const std::string& boxText) {
  if (ended_) return;
  ended_ = true;
  exitCode_ = exitCode;
  if (window()) ::KillTimer(window(), kUnloadTimer);
  lookup_.Cancel();
  if (session_) session_->Abort(exitCode);
  socket_.reset();
  winsock_.reset();
  Trace("*", "終了コード " + std::to_string(exitCode));
  if (showMessages_) {
    switch (box) {
      case Box::kWarning:
        ShowWarningBox(boxText);
        break;
      case Box::kApplicationError:
        ShowApplicationErrorBox(boxText);
        break;
      case Box::kInformation:
        ShowInformationBox(boxText);
        break;
      case Box::kNone:
        break;
    }
  }
  ::EnableWindow(::GetDlgItem(window(), IDB_cmdButton0), FALSE);
  if (inputs_.autoClose == "1") Destroy();
}

void frmSendEmail::SetStatus(const std::string& text) {
  // A command or reply line keeps its CR LF in the trace, not in the one-line status bar.
  std::string line = text;
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (window()) ::SetDlgItemTextA(window(), IDS_StatusBar1, line.c_str());
  lastStatusTick_ = ::GetTickCount();
}

void frmSendEmail::SetStatusThrottled(const std::string& text) {
  if (::GetTickCount() - lastStatusTick_ >= kStatusIntervalMs) SetStatus(text);
}

void frmSendEmail::Advance(int steps) {
  if (steps == 0) return;
  progress_ = std::min(progress_ + steps, 100);
  ::SendDlgItemMessageA(window(), IDP_ProgressBar1, PBM_SETPOS, progress_, 0);
}

void frmSendEmail::RestartTimer() {
  if (!window()) return;
  // A time-out that is not a positive number of seconds (at most a day) is 60 seconds.
  const double seconds = LeadingNumber(inputs_.timeoutSeconds);
  UINT milliseconds = seconds >= 1 && seconds <= 86400 ? static_cast<UINT>(seconds * 1000) : 60000;
  if (session_ && session_->decided()) milliseconds = std::min(milliseconds, kQuitWaitMs);
  ::SetTimer(window(), kUnloadTimer, milliseconds, nullptr);
}

void frmSendEmail::Trace(std::string_view mark, std::string_view text) {
  trace_.Write(ClockText(), mark, text);
}

}  // namespace zq
