// Report files on disk: the work directory made with its protected permissions, and a new
// pair of parameter and batch files that never replaces an existing one. Windows only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "console/report/ReportFiles.h"

namespace zq {

class SystemClock final : public Clock {
 public:
  LocalTime Now() const override;
};

// `moment` as the system shows a date (short form) and a time with seconds, one blank between.
std::string CreatedText(const LocalTime& moment);

// The access a new work directory gets: full control for SYSTEM and Administrators, passed on
// to everything inside it, nothing inherited from above, nobody else. Report jobs run as
// SYSTEM, so whoever may change these files could run anything as SYSTEM.
inline constexpr char kWorkDirectoryAccess[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Creates `path` with kWorkDirectoryAccess. 0 when created or already a directory (its
// permissions left as they are); else the system error number.
std::uint32_t MakeProtectedDirectory(const std::string& path);

// Creates `path`, which must not exist yet, holding `bytes`. 0 on success, else the system
// error number; a file that could not be written whole is removed.
std::uint32_t WriteNewFile(const std::string& path, const std::string& bytes);

struct ReportPair {
  std::string name, parameterPath, batchPath;
};
struct ReportWrite {
  std::uint32_t error = 0;  // 0 when both files were written
  std::string failedPath;   // the file that could not be written
  ReportPair pair;
};

// Writes the parameter file (`parameterText` and one CR LF) and its batch file into the work
// directory of `programDirectory`, named after `moment`. A name whose parameter file, batch
// file or report logs exist is passed over for the next suffix; files are only ever created
// new. A failure leaves neither file.
ReportWrite WriteReportPair(const std::string& programDirectory, const LocalTime& moment,
                            const std::string& parameterText);

}  // namespace zq
