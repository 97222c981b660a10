// The transmitter: blocks, partial sends, write-ready.
#include "sender/mail/Transmitter.h"

#include <utility>

#include "common/SecretText.h"

namespace zq {

Transmitter::Transmitter(SocketPort& port, std::size_t blockBytes)
    : port_(port), blockBytes_(blockBytes > 0 ? blockBytes : 1) {}

void Transmitter::Queue(std::string_view bytes) {
  if (!stopped_) queue_.append(bytes);
}

void Transmitter::SetRefill(Refill refill) {
  if (!stopped_) refill_ = std::move(refill);
}

void Transmitter::Stop() {
  stopped_ = true;
  WipeString(queue_);
  sent_ = 0;
  refill_ = nullptr;
}

Transmitter::State Transmitter::Flush() { return state_ == State::kIdle ? Push() : state_; }

Transmitter::State Transmitter::WriteReady() {
  if (state_ == State::kBlocked) state_ = State::kIdle;
  return Flush();
}

// What was handed over is dropped, so the queue never holds much more than two blocks.
void Transmitter::Compact() {
  if (sent_ == queue_.size()) {
    WipeString(queue_);  // the queue may have held a login
    sent_ = 0;
  } else if (sent_ >= blockBytes_) {
    queue_.erase(0, sent_);
    sent_ = 0;
  }
}

Transmitter::State Transmitter::Push() {
  while (!stopped_) {
    Compact();
    while (refill_ && queue_.size() - sent_ < blockBytes_) {
      if (!refill_(queue_)) refill_ = nullptr;
    }
    if (sent_ == queue_.size()) return state_ = State::kIdle;
    const std::string_view rest = std::string_view(queue_).substr(sent_);
    const SocketPort::SendResult result = port_.Send(rest);
    if (result.error != 0) {
      error_ = result.error;
      return state_ = State::kFailed;
    }
    if (result.wouldBlock || result.taken == 0) return state_ = State::kBlocked;
    const std::size_t taken = result.taken < rest.size() ? result.taken : rest.size();
    sent_ += taken;
    port_.Taken(rest.substr(0, taken));
  }
  return state_;
}

}  // namespace zq
