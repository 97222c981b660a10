// The service section of the report: one line per Win32 service matching a state filter.
// Texts are portable; WriteServiceSection (basNTServices_win.cpp) asks the service manager.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/Win32Failure.h"
#include "sender/ReportLog.h"

namespace zq {

// Japanese name of a service's current state (1 stopped ... 7 paused); empty for others.
std::string ServiceStateName(std::uint32_t state);

// The six heading lines of the section.
std::string ServiceSectionHeading();

// One service line with CR LF: name cut or filled to 8 characters, state name, display name.
std::string ServiceLine(std::string_view name, std::uint32_t state, std::string_view displayName);

struct ServiceRecord {
  std::string name;
  std::string displayName;
  std::uint32_t state = 0;
};

// What could not be done: `what` empty on success.
struct ServiceFailure {
  std::string what;
  Win32Failure cause;
};

// Enumerates the Win32 services of `computerName` (empty: this computer) matching `filter`,
// in the service manager's order, going on with the resume handle for as long as the manager
// reports more data. `bufferBytes` is the first buffer's size; it grows when one record does
// not fit.
ServiceFailure EnumerateServices(const std::string& computerName, std::int32_t filter,
                                 std::size_t bufferBytes,
                                 const std::function<void(const ServiceRecord&)>& each);

// Writes the section for the services of `computerName` (empty: this computer) whose state
// matches `filter` (1 active, 2 inactive, 3 all). A failure leaves its failure line after the
// services listed so far, and a box only when messages are shown.
void WriteServiceSection(ReportLog& log, const std::string& computerName, std::int32_t filter);

}  // namespace zq
