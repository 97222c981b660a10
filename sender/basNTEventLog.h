// Event-log sections of the report. Reading event logs is not built yet: the section writer
// writes nothing.
#pragma once

#include <cstdint>
#include <string>

#include "sender/ReportLog.h"

namespace zq {

// Writes the section of one event log ("System", "Security", "Application") listing the
// records of the last `days` days. Not built yet: writes nothing.
void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                          const std::string& logName, std::int16_t days);

}  // namespace zq
