// The mail session's socket and TLS layer.
#include "sender/mail/SecureConnection_win.h"

#include <algorithm>

#include "common/ReportContract.h"
#include "sender/mail/SocketText.h"

namespace zq {
namespace {

constexpr std::size_t kReceiveBytes = 4096;
// A send buffer that takes a whole block keeps the wait for write-ready notifications rare.
constexpr int kSocketSendBufferBytes = 1024 * 1024;
// Plain text is encrypted at most this much at a time, so the records waiting stay small.
constexpr std::size_t kRecordChunkBytes = 1024 * 1024;

}  // namespace

bool SecureConnection::Open(HWND window, UINT message, std::string& error) {
  socket_.reset(SockCreate(AF_INET, SOCK_STREAM, error));
  if (!socket_) return false;
  if (SockSelect(socket_.get(), window, message, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE,
                 error)) {
    return true;
  }
  socket_.reset();
  return false;
}

bool SecureConnection::Connect(std::uint32_t address, std::uint16_t port, std::string& error) {
  return SockConnectAsync(socket_.get(), address, port, error);
}

void SecureConnection::Close() {
  socket_.reset();
  tls_.reset();
  tlsReady_ = false;
  records_.clear();
  recordsSent_ = 0;
}

void SecureConnection::Notify(WPARAM wParam, LPARAM lParam) {
  if (!socket_ || static_cast<SOCKET>(wParam) != socket_.get()) return;  // stale
  const int error = WSAGETSELECTERROR(lParam);
  switch (WSAGETSELECTEVENT(lParam)) {
    case FD_CONNECT:
      return Connected(error);
    case FD_READ:
      return Readable(error);
    case FD_WRITE:
      return Writable(error);
    case FD_CLOSE:
      return ClosedByServer(error);
  }
}

void SecureConnection::Connected(int error) {
  if (error != 0) return events_.OnConnectFailed(WSockErrorText(error));
  // The last small writes must not wait for a delayed acknowledgement.
  const BOOL noDelay = TRUE;
  ::setsockopt(socket_.get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
               sizeof noDelay);
  ::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDBUF,
               reinterpret_cast<const char*>(&kSocketSendBufferBytes),
               sizeof kSocketSendBufferBytes);
  events_.OnConnected();
}

void SecureConnection::StartTls(const ServerIdentity& server, const std::string& caFile) {
  tls_ = std::make_unique<TlsChannel>(server, caFile);
  std::string hello;
  if (tls_->Start(hello) == TlsChannel::Step::kFailed) return Fail(kMailTlsFailed, tls_->error());
  QueueRecords(hello);
}

void SecureConnection::Readable(int error) {
  if (error != 0) {
    return Fail(kMailReceiveError, "データ受信エラーが発生しました！\r\n" + WSockErrorText(error));
  }
  ReceiveOnce();
}

// One receive; false when the connection was closed meanwhile or nothing was there.
bool SecureConnection::ReceiveOnce() {
  if (!socket_) return false;
  char buffer[kReceiveBytes];
  const int received = ::recv(socket_.get(), buffer, sizeof buffer, 0);
  if (received == SOCKET_ERROR) {
    const int error = ::WSAGetLastError();
    if (error != WSAEWOULDBLOCK) Fail(kMailReceiveError, WSockErrorText(error));
    return false;
  }
  if (received == 0) {
    events_.OnServerClosed(::WSAGetLastError());
    return false;
  }
  Deliver(std::string_view(buffer, static_cast<std::size_t>(received)));
  return socket_.valid();
}

// Bytes from the socket: plain to the owner, or through TLS.
void SecureConnection::Deliver(std::string_view bytes) {
  if (!tls_) return events_.OnReceived(bytes);
  if (!tlsReady_) return HandshakeBytes(bytes);
  std::string plain, answer;
  if (!tls_->Decrypt(bytes, plain, answer)) return Fail(kMailTlsFailed, tls_->error());
  QueueRecords(answer);
  if (!plain.empty() && socket_) events_.OnReceived(plain);
  if (tls_ && tls_->closed() && socket_) events_.OnServerClosed(0);
}

void SecureConnection::HandshakeBytes(std::string_view bytes) {
  std::string answer;
  const TlsChannel::Step step = tls_->Handshake(bytes, answer);
  // A failure to queue the answer closes the connection, and the channel with it.
  const std::string error = step == TlsChannel::Step::kFailed ? tls_->error() : std::string();
  QueueRecords(answer);
  if (step == TlsChannel::Step::kFailed) return Fail(kMailTlsFailed, error);
  if (step == TlsChannel::Step::kContinue || !socket_) return;
  if (const std::string refusal = tls_->VerifyServer(); !refusal.empty()) {
    return Fail(kMailCertificateRejected, refusal);
  }
  tlsReady_ = true;
  events_.OnTlsReady(tls_->Description());
  if (!socket_) return;
  const std::string extra = tls_->TakeExtra();
  if (!extra.empty()) Deliver(extra);
}

void SecureConnection::QueueRecords(const std::string& records) {
  if (records.empty() || !socket_) return;
  records_.append(records);
  SendResult result;
  if (!FlushRecords(result) && result.error != 0) {
    Fail(kMailSendError, WSockErrorText(result.error));
  }
}

// Hands the waiting records to the socket; true when none is left.
bool SecureConnection::FlushRecords(SendResult& result) {
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

void SecureConnection::Writable(int error) {
  if (error != 0) return Fail(kMailSendError, WSockErrorText(error));
  SendResult pending;
  if (!FlushRecords(pending)) {
    if (pending.error != 0) Fail(kMailSendError, WSockErrorText(pending.error));
    return;
  }
  events_.OnWriteReady();
}

void SecureConnection::ClosedByServer(int error) {
  // What the server sent before it closed is read and judged first.
  while (ReceiveOnce()) {
  }
  if (socket_) events_.OnServerClosed(error);
}

void SecureConnection::Fail(int exitCode, const std::string& text) {
  if (socket_) events_.OnFailed(exitCode, text);
}

SocketPort::SendResult SecureConnection::Send(std::string_view bytes) {
  if (!tls_) return SendRaw(bytes);
  SendResult result;
  if (!FlushRecords(result)) return result;
  const std::string_view chunk = bytes.substr(0, kRecordChunkBytes);
  std::string records;
  if (!tls_->Encrypt(chunk, records)) {
    events_.OnSendFailure(tls_->error());
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

SocketPort::SendResult SecureConnection::SendRaw(std::string_view bytes) {
  SendResult result;
  if (!socket_) {
    result.error = WSAENOTSOCK;
    return result;
  }
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

}  // namespace zq
