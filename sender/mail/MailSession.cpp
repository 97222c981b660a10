// The mail session: dialogue, transmitter and message source together.
#include "sender/mail/MailSession.h"

#include "sender/mail/SocketText.h"

namespace zq {

std::string HeloName(std::string_view computerName, std::uint32_t localAddress) {
  bool hostName = !computerName.empty();
  for (const char c : computerName) {
    hostName = hostName && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '-' || c == '.');
  }
  if (hostName) return std::string(computerName);
  const auto* b = reinterpret_cast<const unsigned char*>(&localAddress);
  return "[" + std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) +
         "." + std::to_string(b[3]) + "]";
}

MailSession::MailSession(std::string_view heloName, std::string_view fromAddress,
                         std::string_view recipients, MessageSource& source, SocketPort& port,
                         SmtpSecurity security, std::size_t blockBytes)
    : dialogue_(heloName, fromAddress, recipients, std::move(security)),
      source_(source),
      transmitter_(port, blockBytes) {}

void MailSession::Received(std::string_view bytes) {
  dialogue_.Receive(bytes);
  Pump(Transmitter::State::kIdle);
}

void MailSession::WriteReady() { Pump(transmitter_.WriteReady()); }

void MailSession::TlsEstablished() {
  dialogue_.TlsEstablished();
  Pump(Transmitter::State::kIdle);
}

void MailSession::Abort(int result) {
  dialogue_.Abort(result);
  transmitter_.Stop();
}

void MailSession::Pump(Transmitter::State state) {
  if (dialogue_.finished()) return transmitter_.Stop();
  std::string commands;
  dialogue_.TakeOutput(commands);
  transmitter_.Queue(commands);
  if (dialogue_.phase() == SmtpDialogue::Phase::kMessage && !refilling_) {
    refilling_ = true;
    transmitter_.SetRefill([this](std::string& out) { return Refill(out); });
  }
  if (state == Transmitter::State::kIdle) state = transmitter_.Flush();
  if (sourceFailed_) return Break(kExitReportLogFailed, source_.error());
  if (state == Transmitter::State::kFailed) {
    return Break(kMailSendError, WSockErrorText(transmitter_.error()));
  }
  if (transmitter_.handedOver()) dialogue_.EndHandedOver();
}

// Message text for the transmitter, read from the source as the socket takes it.
bool MailSession::Refill(std::string& out) {
  if (dialogue_.phase() != SmtpDialogue::Phase::kMessage) return false;
  std::string piece;
  const MessageSource::Status status = source_.Next(piece);
  if (status == MessageSource::kError) {
    sourceFailed_ = true;
    return false;
  }
  dialogue_.AddMessageText(piece, out);
  if (status == MessageSource::kMore) return true;
  dialogue_.EndMessage();
  dialogue_.TakeOutput(out);
  return false;
}

void MailSession::Break(int result, const std::string& text) {
  Abort(result);
  notices_.push_back({SessionNotice::kBroken, {SmtpNotice::kFailed, text}});
}

std::vector<SessionNotice> MailSession::TakeNotices() {
  std::vector<SessionNotice> all;
  for (SmtpNotice& notice : dialogue_.TakeNotices()) {
    all.push_back({SessionNotice::kDialogue, std::move(notice)});
  }
  for (SessionNotice& notice : notices_) all.push_back(std::move(notice));
  notices_.clear();
  return all;
}

}  // namespace zq
