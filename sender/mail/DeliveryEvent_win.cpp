// The delivery event in the Application log.
#include <windows.h>

#include <string>
#include <vector>

#include "common/PlatformText.h"
#include "sender/mail/DeliveryEvent.h"

#include "DeliveryEvents.h"  // generated from DeliveryEvents.mc

static_assert(MSG_DELIVERED == zq::kEventDelivered && MSG_FAILED == zq::kEventFailed &&
                  MSG_OUTCOME_UNKNOWN == zq::kEventOutcomeUnknown,
              "the message table numbers the events as the sender does");

namespace zq {

void WriteDeliveryEvent(const EventEntry& entry) {
  const std::wstring source = WideOfAnsi(kEventSourceName);
  const HANDLE log = ::RegisterEventSourceW(nullptr, source.c_str());
  if (!log) return;  // the outcome stands whether or not it is logged
  std::vector<std::wstring> wide;
  for (const std::string& text : entry.strings) wide.push_back(WideOfAnsi(text));
  std::vector<LPCWSTR> strings;
  for (const std::wstring& text : wide) strings.push_back(text.c_str());
  ::ReportEventW(log, entry.type, 0, entry.id, nullptr, static_cast<WORD>(strings.size()), 0,
                 strings.data(), nullptr);
  ::DeregisterEventSource(log);
}

}  // namespace zq
