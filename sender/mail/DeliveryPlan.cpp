// Retry and relay choice of the mail session.
#include "sender/mail/DeliveryPlan.h"

#include "common/Cp932.h"
#include "common/ReportContract.h"

namespace zq {

std::vector<Relay> RelaysOf(const MailInputs& inputs) {
  std::vector<Relay> relays{{std::string(TrimBlanks(inputs.server)), inputs.port}};
  const std::string second(TrimBlanks(inputs.server2));
  if (!second.empty()) {
    relays.push_back({second, TrimBlanks(inputs.port2).empty() ? inputs.port : inputs.port2});
  }
  return relays;
}

std::string RelayText(const Relay& relay) {
  const std::string_view port = TrimBlanks(relay.port);
  return port.empty() ? relay.server : relay.server + ":" + std::string(port);
}

int RetryMinutesOf(std::string_view text) {
  return RetryMinutesValue(text).value_or(kDefaultRetryMinutes);
}

TryEnd TryEndOf(int exitCode, bool transientReply) {
  if (exitCode == kMailSent) return TryEnd::kDelivered;
  if (exitCode == kMailOutcomeUnknown) return TryEnd::kUnknown;
  if (transientReply) return TryEnd::kTransient;
  switch (exitCode) {
    case kMailNoConnection:
    case kMailClosedByServer:
    case kMailReceiveError:
    case kMailSendError:
    case kMailTimedOut:
      return TryEnd::kTransient;
    default:
      return TryEnd::kPermanent;
  }
}

DeliveryPlan::DeliveryPlan(std::vector<Relay> relays, int retryMinutes)
    : relays_(std::move(relays)), retryMs_(static_cast<std::uint64_t>(retryMinutes) * 60000) {
  if (relays_.empty()) relays_.emplace_back();
}

std::optional<std::uint64_t> DeliveryPlan::Next(TryEnd end, std::uint64_t elapsedMs) {
  if (end != TryEnd::kTransient) return std::nullopt;
  // The next relay at once: always in the first round, later only within the retry time.
  if (relay_ + 1 < relays_.size() && (wait_ == kFirstWaitMs || elapsedMs <= retryMs_)) {
    ++relay_;
    ++try_;
    return 0;
  }
  // No try starts after the retry time since the first.
  if (elapsedMs + wait_ > retryMs_) return std::nullopt;
  const std::uint64_t wait = wait_;
  wait_ *= 2;
  relay_ = 0;
  ++try_;
  return wait;
}

std::string RetryRuleText(int retryMinutes) {
  return retryMinutes == 0
             ? "再試行しません"
             : "一時的な失敗は " + std::to_string(retryMinutes) + " 分まで再試行します";
}

std::string SendingTitle(int tryNumber) {
  return tryNumber <= 1 ? "メール送信中…"
                        : "メール送信中…（試行 " + std::to_string(tryNumber) + "）";
}

std::string RetryTraceText(int failedTry, int exitCode, std::uint64_t waitMs, int nextTry,
                           const Relay& next) {
  return "試行 " + std::to_string(failedTry) + " は終了コード " + std::to_string(exitCode) + "。" +
         std::to_string(waitMs / 1000) + " 秒後に試行 " + std::to_string(nextTry) + ": " +
         RelayText(next);
}

std::string AcceptedTraceText(const std::string& relay, int tries) {
  return "中継サーバー " + relay + " が受け付けました（試行 " + std::to_string(tries) + " 回）";
}

std::string RetryWaitText(int nextTry, const Relay& relay, std::uint64_t remainingMs) {
  return "あと " + std::to_string((remainingMs + 999) / 1000) + " 秒で試行 " +
         std::to_string(nextTry) + ": " + RelayText(relay);
}

}  // namespace zq
