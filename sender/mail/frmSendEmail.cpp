// The mail session window. All socket notifications arrive as one private message and are
// dispatched by their event bit to the connect, read, write and close handlers; each wait
// for the server is bounded by tmrUnload.
#include "sender/mail/frmSendEmail.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <exception>

#include "sender/ReportRun.h"
#include "sender/basPelmora.h"
#include "sender/mail/basWSock.h"
#include "sender/mail/frmSendEmailIds.h"

namespace zq {
namespace {

constexpr UINT WM_SOCKET_NOTIFY = WM_APP + 1;  // wParam socket, lParam event and error words
constexpr UINT WM_AUTO_SEND = WM_APP + 2;      // posted at load when auto-send is "1"
constexpr UINT_PTR kUnloadTimer = 1;
constexpr std::size_t kReceiveBytes = 4096;
// Message text is gathered up to this size before it is offered to the socket.
constexpr std::size_t kSendBlockBytes = 1024 * 1024;
// A send buffer that takes a whole block keeps the wait for write-ready notifications rare.
constexpr int kSocketSendBufferBytes = 1024 * 1024;
constexpr DWORD kStatusIntervalMs = 250;

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

}  // namespace

frmSendEmail::frmSendEmail(const MailInputs& inputs, const MailContext& context)
    : inputs_(inputs), context_(context), showMessages_(LeadingNumber(inputs.showMessages) == 1) {}

frmSendEmail::~frmSendEmail() {
  if (window_) ::DestroyWindow(window_);
}

int frmSendEmail::Show() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  trace_.Open(inputs_.sessionTracePath);
  if (!::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_frmSendEmail),
                            nullptr, DialogProc, reinterpret_cast<LPARAM>(this))) {
    Trace("*", "ウィンドウを作成できませんでした！");
    return kMailInitial;
  }
  ::ShowWindow(window_, SW_SHOWNORMAL);
  MSG message;
  while (window_ && ::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (!::IsDialogMessageA(window_, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageA(&message);
    }
  }
  return exitCode_;
}

INT_PTR CALLBACK frmSendEmail::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    reinterpret_cast<frmSendEmail*>(lParam)->window_ = window;
  }
  auto* self = reinterpret_cast<frmSendEmail*>(::GetWindowLongPtrA(window, DWLP_USER));
  if (!self) return FALSE;
  // No exception may travel into Windows: an unexpected one ends the session.
  try {
    return self->OnMessage(message, wParam, lParam);
  } catch (const std::exception&) {
    self->EndSession(kMailSendError, Box::kApplicationError, kOutOfMemoryText);
    return TRUE;
  }
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
      EndSession(exitCode_);
      ::DestroyWindow(window_);
      return TRUE;
    case WM_DESTROY:
      window_ = nullptr;
      ::PostQuitMessage(0);
      return TRUE;
  }
  return FALSE;
}

void frmSendEmail::Form_Load() {
  RECT frame{};
  ::GetWindowRect(window_, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  ::SetWindowPos(window_, nullptr, ::GetSystemMetrics(SM_CXSCREEN) / 2 - width / 2,
                 ::GetSystemMetrics(SM_CYSCREEN) * 85 / 200 - height / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  ::SetWindowTextA(window_, kPelmoraTitle);
  ::SendDlgItemMessageA(window_, IDP_ProgressBar1, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
  if (!InitSockets()) return;
  SetStatus(inputs_.port);
  ::SetDlgItemTextA(window_, IDL_lblTitle, "メール送信中…");
  if (inputs_.autoSend == "1") ::PostMessageA(window_, WM_AUTO_SEND, 0, 0);
}

bool frmSendEmail::InitSockets() {
  SetStatus("ソケットを初期化しています･･･");
  std::string error;
  const int result = SockStartup(error);
  socketsStarted_ = result == 0;
  if (result != 0 || !error.empty()) {
    SetStatus(error);
    EndSession(kMailInitial, Box::kApplicationError, error);
    return false;
  }
  SetStatus("ソケットの初期化が完了しました！");
  return true;
}

void frmSendEmail::cmdButton_Click(int index) {
  if (index == 1) {
    EndSession(exitCode_);
    ::DestroyWindow(window_);
    return;
  }
  if (ended_ || dialogue_) return;  // one send per session
  Send();
}

void frmSendEmail::Send() {
  ::EnableWindow(::GetDlgItem(window_, IDB_cmdButton0), FALSE);
  source_ = std::make_unique<MailTextSource>(inputs_, context_);
  if (!source_->Open()) {
    SetStatus(source_->error());
    return EndSession(kExitReportLogFailed, Box::kApplicationError, source_->error());
  }
  dialogue_ =
      std::make_unique<SmtpDialogue>(LocalComputerName(), inputs_.fromAddress, inputs_.recipients);
  const auto port = PortNumberOf(inputs_.port);
  std::string error;
  socket_.reset(SockCreate(AF_INET, SOCK_STREAM, error));
  if (!socket_) {
    SetStatus("ソケットを生成できませんでした！");
    return EndSession(kMailNoConnection, Box::kApplicationError, error);
  }
  SetStatus("ソケットが生成されました！");
  Trace("*", inputs_.server + ":" + inputs_.port);
  if (!port) error = WSockErrorText(WSAEADDRNOTAVAIL);
  if (error.empty()) {
    SockSelect(socket_.get(), window_, WM_SOCKET_NOTIFY, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE,
               error);
  }
  if (error.empty()) SockConnectAsync(socket_.get(), address_, inputs_.server, *port, error);
  if (!error.empty()) {
    SetStatus(error);
    return EndSession(kMailNoConnection, Box::kInformation, "接続できませんでした！");
  }
  SetStatus(inputs_.server + "に接続しています･･･");
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
  RestartTimer();  // the greeting is awaited
}

void frmSendEmail::PortData_Notify(int error) {
  if (error != 0) {
    return SocketFailure(kMailReceiveError,
                         "データ受信エラーが発生しました！\r\n" + WSockErrorText(error));
  }
  ReceiveOnce();
}

void frmSendEmail::ReceiveOnce() {
  char buffer[kReceiveBytes];
  const int received = ::recv(socket_.get(), buffer, sizeof buffer, 0);
  if (received == SOCKET_ERROR) {
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK) return;
    return SocketFailure(kMailReceiveError, WSockErrorText(error));
  }
  if (received == 0) return ServerClosed(::WSAGetLastError());
  dialogue_->Receive(std::string_view(buffer, static_cast<std::size_t>(received)));
  ApplyNotices();
}

void frmSendEmail::PortData2_Notify(int error) {
  if (error != 0) return SocketFailure(kMailSendError, WSockErrorText(error));
  Pump();
}

void frmSendEmail::PortClosed_Notify(int error) {
  // What the server sent before it closed is read and judged first.
  while (!ended_) {
    char buffer[kReceiveBytes];
    const int received = ::recv(socket_.get(), buffer, sizeof buffer, 0);
    if (received <= 0) break;
    dialogue_->Receive(std::string_view(buffer, static_cast<std::size_t>(received)));
    ApplyNotices();
  }
  if (!ended_) ServerClosed(error);
}

void frmSendEmail::ServerClosed(int error) {
  const std::string text = error == WSAECONNRESET || error == WSAECONNABORTED
                               ? "接続が切れました！"
                               : "切断されています！";
  SetStatus(text);
  EndSession(kMailClosedByServer, Box::kInformation, text);
}

void frmSendEmail::SocketFailure(int result, const std::string& text) {
  SetStatus(text);
  EndSession(result, Box::kApplicationError, text);
}

void frmSendEmail::ApplyNotices() {
  for (const SmtpNotice& notice : dialogue_->TakeNotices()) {
    switch (notice.kind) {
      case SmtpNotice::kReply:
        SetStatus(notice.text);
        Trace("<", notice.text);
        RestartTimer();
        break;
      case SmtpNotice::kCommand:
        SetStatus(notice.text);
        Trace(">", notice.text == "\r\n.\r\n" ? "." : notice.text);
        Advance(notice.progress);
        break;
      case SmtpNotice::kMessage:
        break;
      case SmtpNotice::kFailed:
        SetStatus(notice.text);
        return EndSession(dialogue_->result(), Box::kWarning, notice.text);
      case SmtpNotice::kSent:
        Advance(notice.progress);
        ::SendDlgItemMessageA(window_, IDP_ProgressBar1, PBM_SETPOS, 100, 0);
        ::SetDlgItemTextA(window_, IDL_lblTitle, "メール送信完了！");
        SetStatus("メッセージが送信されました！");
        return EndSession(kMailSent, Box::kInformation, "メッセージが送信されました！");
    }
  }
  Pump();
}

void frmSendEmail::Pump() {
  while (!ended_) {
    std::string& outbox = dialogue_->outbox();
    // What was sent is dropped, so the outbox never holds more than about two blocks.
    if (outboxSent_ == outbox.size()) {
      outbox.clear();
      outboxSent_ = 0;
    } else if (outboxSent_ >= kSendBlockBytes) {
      outbox.erase(0, outboxSent_);
      outboxSent_ = 0;
    }
    // Message text is gathered into large blocks while the server listens.
    while (dialogue_->phase() == SmtpDialogue::Phase::kMessage &&
           outbox.size() - outboxSent_ < kSendBlockBytes) {
      std::string piece;
      const MailTextSource::Status status = source_->Next(piece);
      if (status == MailTextSource::kError) {
        SetStatus(source_->error());
        return EndSession(kExitReportLogFailed, Box::kApplicationError, source_->error());
      }
      dialogue_->AddMessageText(piece);
      if (status == MailTextSource::kEnd) {
        Trace("*",
              "(本文 " + std::to_string(outbox.size() - outboxSent_ + messageBytes_) + " バイト)");
        dialogue_->EndMessage();
        ApplyNotices();
        return;
      }
    }
    if (outboxSent_ == outbox.size()) {
      outbox.clear();
      outboxSent_ = 0;
      return;
    }
    const int length =
        static_cast<int>(std::min<std::size_t>(outbox.size() - outboxSent_, 1 << 30));
    const int sent = ::send(socket_.get(), outbox.data() + outboxSent_, length, 0);
    if (sent == SOCKET_ERROR) {
      const int error = ::WSAGetLastError();
      if (error == WSAEWOULDBLOCK) return;  // FD_WRITE says when to go on
      return SocketFailure(kMailSendError, WSockErrorText(error));
    }
    if (dialogue_->phase() == SmtpDialogue::Phase::kMessage) {
      messageBytes_ += static_cast<std::size_t>(sent);
      SetStatusThrottled(LastLineOf(std::string_view(outbox).substr(outboxSent_, sent)));
    }
    outboxSent_ += static_cast<std::size_t>(sent);
    RestartTimer();
  }
}

void frmSendEmail::tmrUnload_Timer() {
  ::KillTimer(window_, kUnloadTimer);
  SetStatus("タイムアウトが発生しました！");
  EndSession(kMailTimedOut, Box::kWarning, "タイムアウトが発生しました！");
  if (window_) ::DestroyWindow(window_);  // whatever auto-close says
}

void frmSendEmail::EndSession(int exitCode, Box box, const std::string& boxText) {
  if (ended_) return;
  ended_ = true;
  exitCode_ = exitCode;
  if (window_) ::KillTimer(window_, kUnloadTimer);
  if (dialogue_) dialogue_->Abort(exitCode);
  socket_.reset();
  if (socketsStarted_) {
    std::string ignored;
    SockCleanup(ignored);
    socketsStarted_ = false;
  }
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
  ::EnableWindow(::GetDlgItem(window_, IDB_cmdButton0), FALSE);
  if (inputs_.autoClose == "1" && window_) ::DestroyWindow(window_);
}

void frmSendEmail::SetStatus(const std::string& text) {
  if (window_) ::SetDlgItemTextA(window_, IDS_StatusBar1, text.c_str());
  lastStatusTick_ = ::GetTickCount();
}

void frmSendEmail::SetStatusThrottled(const std::string& text) {
  if (::GetTickCount() - lastStatusTick_ >= kStatusIntervalMs) SetStatus(text);
}

void frmSendEmail::Advance(int steps) {
  if (steps == 0) return;
  progress_ = std::min(progress_ + steps, 100);
  ::SendDlgItemMessageA(window_, IDP_ProgressBar1, PBM_SETPOS, progress_, 0);
}

void frmSendEmail::RestartTimer() {
  // A time-out that is not a positive number of seconds (at most a day) is 60 seconds.
  const double seconds = LeadingNumber(inputs_.timeoutSeconds);
  const UINT milliseconds =
      seconds >= 1 && seconds <= 86400 ? static_cast<UINT>(seconds * 1000) : 60000;
  ::SetTimer(window_, kUnloadTimer, milliseconds, nullptr);
}

void frmSendEmail::Trace(std::string_view mark, std::string_view text) {
  trace_.Write(ClockText(), mark, text);
}

}  // namespace zq
