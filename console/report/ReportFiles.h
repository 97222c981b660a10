// The files of one report submission: their names from the moment of submission, the batch
// file that starts the sender, and the clock that names them. Portable.
#pragma once

#include <string>
#include <string_view>

namespace zq {

inline constexpr char kWorkDirectoryName[] = "CMD";
inline constexpr char kBatchExtension[] = ".CMD";

// A local date and time to the second.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The moment of a submission; tests set it.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

// The report name of `moment`, "yymmddhhmmss"; attempts after the first add "_2", "_3"...
std::string ReportFileName(const LocalTime& moment, int attempt);

// The batch file that runs the sender from `programDirectory` on the parameter file `name`
// in the work directory: the drive, the directory made current, the sender with the relative
// path; three lines, each ended by CR LF. A network directory is entered with PUSHD and left
// with POPD; a directory holding a character the command interpreter acts on is quoted.
std::string BatchFileText(std::string_view programDirectory, std::string_view name);

}  // namespace zq
