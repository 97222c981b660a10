// SendEmail on Windows: the composition context from the local clock and time zone, then the
// session window until the session ends, then its event in the Application log.
#include <windows.h>

#include "common/PlatformText.h"
#include "sender/mail/basSendEmail.h"
#include "sender/mail/frmSendEmail.h"

namespace zq {
namespace {

// The local time and its offset from UTC (minutes, local minus UTC).
MailTime LocalMailTime() {
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  TIME_ZONE_INFORMATION zone{};
  LONG bias = 0;
  switch (::GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD:
      bias = zone.Bias + zone.StandardBias;
      break;
    case TIME_ZONE_ID_DAYLIGHT:
      bias = zone.Bias + zone.DaylightBias;
      break;
    case TIME_ZONE_ID_UNKNOWN:
      bias = zone.Bias;
      break;
    default:
      break;
  }
  return MailTime{local.wYear, local.wMonth,  local.wDay,    local.wDayOfWeek,
                  local.wHour, local.wMinute, local.wSecond, static_cast<int>(-bias)};
}

}  // namespace

int SendEmail(const MailInputs& inputs) {
  static std::uint32_t sequence = 0;
  MailContext context;
  context.now = LocalMailTime();
  context.processId = ::GetCurrentProcessId();
  context.sequence = ++sequence;
  context.computerName = LocalComputerName();
  frmSendEmail window(inputs, context);
  const int exitCode = window.Show();
  DeliveryOutcome outcome = window.outcome();
  outcome.exitCode = exitCode;  // also when the window never came up
  WriteDeliveryEvent(DeliveryEventOf(outcome));
  return exitCode;
}

}  // namespace zq
