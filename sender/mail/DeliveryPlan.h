// Which relay the next try of a mail goes to and when: transient failures are tried again
// after waits of 15 s, 30 s, 1 min... until the retry time since the first try is used up,
// and the second relay is tried at once when the first fails transiently. Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sender/mail/MailInputs.h"

namespace zq {

struct Relay {
  std::string server, port;
};

// The first relay, then the second when one is named (its port "" for the first's).
std::vector<Relay> RelaysOf(const MailInputs& inputs);
// "server:port", or the server alone when no port is given.
std::string RelayText(const Relay& relay);

// SmtpRetryMinutes as the sender takes it: a text that is not a valid value gives the default.
int RetryMinutesOf(std::string_view text);

// How a try ended, as far as trying again is concerned.
enum class TryEnd {
  kDelivered,
  kTransient,  // no connection, a time-out or close before the end of the message, a 4xx
  kPermanent,  // a refusal, a certificate or login refused, bad parameters
  kUnknown,    // the end of the message was handed over and no reply came
};
TryEnd TryEndOf(int exitCode, bool transientReply);

class DeliveryPlan {
 public:
  static constexpr std::uint64_t kFirstWaitMs = 15000;

  DeliveryPlan(std::vector<Relay> relays, int retryMinutes);

  const Relay& relay() const { return relays_[relay_]; }
  int tryNumber() const { return try_; }

  // After the current try ended with `end`, `elapsedMs` after the first try started: the wait
  // before the next try (0: at once, the next relay), or nothing when no try follows.
  std::optional<std::uint64_t> Next(TryEnd end, std::uint64_t elapsedMs);

 private:
  std::vector<Relay> relays_;
  std::uint64_t retryMs_;
  std::size_t relay_ = 0;
  int try_ = 1;
  std::uint64_t wait_ = kFirstWaitMs;
};

// What the session window shows and traces of the tries.
std::string RetryRuleText(int retryMinutes);
std::string SendingTitle(int tryNumber);
std::string RetryWaitText(int nextTry, const Relay& relay, std::uint64_t remainingMs);
std::string RetryTraceText(int failedTry, int exitCode, std::uint64_t waitMs, int nextTry,
                           const Relay& next);
std::string AcceptedTraceText(const std::string& relay, int tries);

}  // namespace zq
