// The report log file: CP932 text with CR LF line ends, created empty at the start of a run
// and then only appended to. It is open only while one section is written, because each
// console command appends to the same file through the command interpreter in between.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/StdFile.h"

namespace zq {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kDoubleRule =
    "=====================================================================";
inline constexpr std::string_view kSingleRule =
    "---------------------------------------------------------------------";

// The four lines every titled section starts with: empty line, "=" rule, title, "-" rule.
std::string SectionHeading(std::string_view title);

// The line a section leaves under its heading when it could not look, so an empty section
// always means "nothing to list": "*** " + what + "（エラー N）: " + the system's text + " ***".
std::string SectionFailureLine(std::string_view what, std::uint32_t error,
                               std::string_view systemText);

class ReportLog {
 public:
  ReportLog() = default;

  // Creates the file empty (or empties it). False when it cannot be created.
  static bool CreateEmpty(const std::string& path);

  // Opens the file for appending. False when it cannot be opened.
  bool OpenForAppend(const std::string& path);

  // Appends bytes. False when the file is not open or any write so far has failed.
  bool Write(std::string_view bytes);

  // Closes the file. False when it was not open or a write or the flush failed.
  bool Close();

  // Writes CR LF unless the text so far is empty or ends with a line feed, so that what the
  // driver adds after a command's own output always starts on a line of its own.
  bool EnsureLineStart();

 private:
  UniqueStdFile file_;
  bool failed_ = false;
  bool atLineStart_ = true;
};

}  // namespace zq
