// The trace of one mail session: every command sent and every reply received (never the
// message text), each line with its time, in a CP932 file overwritten at each session.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "common/StdFile.h"

namespace zq {

// The trace lines of one text: each of its lines as clock + " " + mark + " " + line + CR LF
// (CR and LF of the text removed); nothing for an empty text.
std::string TraceLines(std::string_view clock, std::string_view mark, std::string_view text);

// The line that ends a trace that reached its cap (without clock, mark and CR LF).
inline constexpr char kTraceCutText[] = "トレースが上限に達したため、以降の行は省略します";

// "hh:nn:ss.mmm" of the local clock, for the trace lines. Win32 only.
std::string LocalClockText();

class SessionTrace {
 public:
  // A trace holds at most this many bytes of lines, then the cut line; the outcome lines
  // come after it whatever the size.
  static constexpr std::size_t kMaxBytes = 1024 * 1024;

  // Creates (or empties) the file; false when it cannot. "" traces nothing.
  bool Open(const std::string& path);
  // Appends lines and flushes, so the trace is whole even if the program is stopped. Past
  // the cap, one cut line and nothing more.
  void Write(std::string_view clock, std::string_view mark, std::string_view text);
  // Appends the session's outcome, past the cap too.
  void WriteOutcome(std::string_view clock, std::string_view mark, std::string_view text);

 private:
  void Append(const std::string& lines);

  UniqueStdFile file_;
  std::size_t written_ = 0;
  bool cut_ = false;
};

}  // namespace zq
