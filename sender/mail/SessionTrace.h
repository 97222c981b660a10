// The trace of one mail session: every command sent and every reply received (never the
// message text), each line with its time, in a CP932 file overwritten at each session.
#pragma once

#include <string>
#include <string_view>

#include "common/StdFile.h"

namespace zq {

// The trace lines of one text: each of its lines as clock + " " + mark + " " + line + CR LF
// (CR and LF of the text removed); nothing for an empty text.
std::string TraceLines(std::string_view clock, std::string_view mark, std::string_view text);

class SessionTrace {
 public:
  // Creates (or empties) the file; false when it cannot. "" traces nothing.
  bool Open(const std::string& path);
  // Appends lines and flushes, so the trace is whole even if the program is stopped.
  void Write(std::string_view clock, std::string_view mark, std::string_view text);

 private:
  UniqueStdFile file_;
};

}  // namespace zq
