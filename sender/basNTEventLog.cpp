// Event-log sections: not built yet.
#include "sender/basNTEventLog.h"

namespace zq {

void WriteEventLogSection(ReportLog&, const std::string&, const std::string&, std::int16_t) {}

}  // namespace zq
