// The files of one report submission: their names from the moment of submission and the
// batch file that starts the sender. Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "console/Clock.h"

namespace zq {

inline constexpr char kWorkDirectoryName[] = "CMD";
inline constexpr char kBatchExtension[] = ".CMD";

// The report name of `moment`, "yymmddhhmmss"; attempts after the first add "_2", "_3"...
std::string ReportFileName(const LocalTime& moment, int attempt);

// What a look at a candidate file name found: nothing there, something there, or no answer
// (access denied, a broken device...), which must be reported rather than passed over.
enum class NameState { kFree, kTaken, kUnknown };

// The state of a name whose attributes were read (`found`) or not, with the system error
// number of the failed read.
NameState NameStateOf(bool found, std::uint32_t error);

// The batch file that runs the sender from `programDirectory` on the parameter file `name`
// in the work directory: the drive, the directory made current, the sender by its full path
// in double quotes with the parameter file's relative path; three lines, each ended by CR LF. A
// network directory is entered with PUSHD and left with POPD; a directory holding a character the
// command interpreter acts on is quoted.
std::string BatchFileText(std::string_view programDirectory, std::string_view name);

}  // namespace zq
