// Which event a mail session's outcome gives.
#include "sender/mail/DeliveryEvent.h"

#include "common/ReportContract.h"

namespace zq {

EventEntry DeliveryEventOf(const DeliveryOutcome& outcome) {
  const std::string trace = outcome.tracePath.empty() ? "-" : outcome.tracePath;
  const std::string tries = std::to_string(outcome.tries);
  if (outcome.exitCode == kMailSent) {
    return {kEventInformation, kEventDelivered, {trace, outcome.relay, tries}};
  }
  if (outcome.exitCode == kMailOutcomeUnknown) {
    return {kEventWarning, kEventOutcomeUnknown, {trace, outcome.relay, tries}};
  }
  const char* text = ExitCodeText(outcome.exitCode);
  return {kEventError,
          kEventFailed,
          {trace, std::to_string(outcome.exitCode), text ? text : "-",
           outcome.lastReply.empty() ? "-" : outcome.lastReply, tries}};
}

}  // namespace zq
