// The mail session's connection: one non-blocking socket whose notifications arrive as one
// window message, with an optional TLS layer between it and the session. It takes the
// session's bytes (as its SocketPort), encrypts them once TLS is up, queues records the
// socket did not take, and reports what happened to its owner through ConnectionEvents. It
// knows nothing of SMTP or of the window's controls. Windows only.
#pragma once

#include "sender/mail/Socket_win.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "sender/mail/TlsChannel_win.h"
#include "sender/mail/Transmitter.h"

namespace zq {

// What the connection reports, each at most once per cause; after a failure or the close the
// owner ends the session (Close()).
class ConnectionEvents {
 public:
  virtual ~ConnectionEvents() = default;
  virtual void OnConnected() = 0;
  // Plain bytes from the server (decrypted when TLS is up).
  virtual void OnReceived(std::string_view bytes) = 0;
  // The TLS handshake ended and the certificate was accepted; `description` for the trace.
  virtual void OnTlsReady(const std::string& description) = 0;
  virtual void OnWriteReady() = 0;
  // The socket took session bytes.
  virtual void OnTaken(std::string_view bytes) = 0;
  // The connection could not be made (`text` says why).
  virtual void OnConnectFailed(const std::string& text) = 0;
  // A send, receive or TLS failure with its exit code.
  virtual void OnFailed(int exitCode, const std::string& text) = 0;
  // The server closed the connection (or ended TLS); `error` is the socket's word.
  virtual void OnServerClosed(int error) = 0;
  // Why a send of the session failed below it (the session then reports the send error).
  virtual void OnSendFailure(const std::string& text) = 0;
};

class SecureConnection final : public SocketPort {
 public:
  explicit SecureConnection(ConnectionEvents& events) : events_(events) {}
  SecureConnection(const SecureConnection&) = delete;
  SecureConnection& operator=(const SecureConnection&) = delete;

  // A socket whose notifications come to `window` as `message`. False with `error` set.
  bool Open(HWND window, UINT message, std::string& error);
  // Starts connecting; the outcome comes as OnConnected or OnConnectFailed.
  bool Connect(std::uint32_t address, std::uint16_t port, std::string& error);
  // One notification message (its wParam and lParam); stale ones are ignored.
  void Notify(WPARAM wParam, LPARAM lParam);
  // Starts the TLS handshake over the connected socket.
  void StartTls(const ServerIdentity& server, const std::string& caFile);
  // Closes the socket; no event follows.
  void Close();

  bool open() const { return socket_.valid(); }
  SOCKET socket() const { return socket_.get(); }

  // SocketPort: the session's bytes, encrypted once TLS is up.
  SendResult Send(std::string_view bytes) override;
  void Taken(std::string_view bytes) override { events_.OnTaken(bytes); }

 private:
  void Connected(int error);
  void Readable(int error);
  void Writable(int error);
  void ClosedByServer(int error);
  bool ReceiveOnce();
  void Deliver(std::string_view bytes);
  void HandshakeBytes(std::string_view bytes);
  void QueueRecords(const std::string& records);
  bool FlushRecords(SendResult& result);
  SendResult SendRaw(std::string_view bytes);
  void Fail(int exitCode, const std::string& text);

  ConnectionEvents& events_;
  UniqueSocket socket_;
  std::unique_ptr<TlsChannel> tls_;
  bool tlsReady_ = false;
  std::string records_;  // encrypted bytes not yet taken by the socket
  std::size_t recordsSent_ = 0;
};

}  // namespace zq
