// Hands bytes to a non-blocking socket through a send-function seam: gathers message text
// into large blocks, completes partial sends, and waits for write-ready only after the socket
// said it would block. Portable; the session window implements SocketPort over Winsock.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace zq {

class SocketPort {
 public:
  struct SendResult {
    std::size_t taken = 0;    // bytes the socket took
    bool wouldBlock = false;  // nothing taken; a write-ready notice will follow
    int error = 0;            // non-zero: the send failed with this socket error
  };
  virtual ~SocketPort() = default;
  virtual SendResult Send(std::string_view bytes) = 0;
  // The socket took these bytes: the wait for the server starts again.
  virtual void Taken(std::string_view bytes) = 0;
};

// Message text is gathered up to this size before it is offered to the socket.
inline constexpr std::size_t kSendBlockBytes = 1024 * 1024;

class Transmitter {
 public:
  // Appends more bytes to `out`; false when no more will come (the refill is then dropped).
  using Refill = std::function<bool(std::string& out)>;
  enum class State {
    kIdle,     // everything queued has been handed over
    kBlocked,  // the socket would block; WriteReady goes on
    kFailed,   // a send failed (error())
  };

  explicit Transmitter(SocketPort& port, std::size_t blockBytes = kSendBlockBytes);

  void Queue(std::string_view bytes);
  // Asked for more bytes whenever less than a block is waiting, until it returns false.
  void SetRefill(Refill refill);
  // Drops everything not yet handed over; nothing more is sent.
  void Stop();

  // Hands over what it can, unless blocked.
  State Flush();
  // The socket can take bytes again.
  State WriteReady();

  // Every byte queued or refilled so far has been handed to the socket.
  bool handedOver() const { return sent_ == queue_.size() && !refill_; }
  State state() const { return state_; }
  int error() const { return error_; }

 private:
  State Push();
  void Compact();

  SocketPort& port_;
  const std::size_t blockBytes_;
  std::string queue_;
  std::size_t sent_ = 0;  // bytes at the front of queue_ already handed over
  Refill refill_;
  State state_ = State::kIdle;
  int error_ = 0;
  bool stopped_ = false;
};

}  // namespace zq
