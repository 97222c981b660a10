// The Application log event that ends every mail session: delivered, failed, or outcome
// unknown, with its strings, from the session's outcome. Portable; written by
// WriteDeliveryEvent (Windows) under the event source zqPelmora, whose message table is
// compiled into the sender.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zq {

inline constexpr char kEventSourceName[] = "zqPelmora";

// Event ids (also the message ids of the sender's message table).
enum DeliveryEventId : std::uint32_t {
  kEventDelivered = 1000,       // information: %1 trace, %2 relay, %3 tries
  kEventFailed = 1001,          // error: %1 trace, %2 code, %3 its text, %4 last reply, %5 tries
  kEventOutcomeUnknown = 1002,  // warning: %1 trace, %2 relay, %3 tries
};

// What the session ended with.
struct DeliveryOutcome {
  int exitCode = 0;
  std::string relay;  // the relay of the last try, "server:port"
  int tries = 0;
  std::string lastReply;  // the server's last reply line, or why there was none
  std::string tracePath;  // the session trace, "" when none was written
};

// Event types as the event log numbers them.
inline constexpr std::uint16_t kEventError = 1, kEventWarning = 2, kEventInformation = 4;

struct EventEntry {
  std::uint16_t type = kEventInformation;
  std::uint32_t id = kEventDelivered;
  std::vector<std::string> strings;  // CP932
};

EventEntry DeliveryEventOf(const DeliveryOutcome& outcome);

// Writes the event; a log that cannot be written changes nothing. Windows only.
void WriteDeliveryEvent(const EventEntry& entry);

}  // namespace zq
