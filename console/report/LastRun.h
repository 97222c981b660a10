// The job list's 前回結果 (last run) of a report job: from the files beside its parameter
// file, the session trace N.mail.log (which ends with the exit code) or, for a report
// without mail, the report log N.log. Portable; LastRunOf reads the files (Windows).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "console/Clock.h"

namespace zq {

// The parameter file of a report job: its command names a batch file N.CMD in the work
// folder of `programDirectory` (quoted or not, letters in any case). Nothing for other jobs.
std::optional<std::string> ReportParameterOfCommand(std::string_view command,
                                                    std::string_view programDirectory);

// One file beside the parameter file: whether it is there and when it was last written.
struct FileLook {
  bool exists = false;
  LocalTime written;
};

// At most this many bytes of the trace's end are read.
inline constexpr std::size_t kTraceTailBytes = 512;

inline constexpr char kNeverRunText[] = "未実行";

// The column's text: "yyyy/mm/dd hh:mm " and the outcome. The trace counts when it is no
// older than the log (a run writes the log first); without its exit code line, or with a
// newer log, the run has not ended.
std::string LastRunText(const FileLook& log, const FileLook& trace, std::string_view traceTail);

// Reads the two files of the parameter file at `parameterPath` (Windows).
std::string LastRunOf(const std::string& parameterPath);

}  // namespace zq
