// The mail session trace file.
#include "sender/mail/SessionTrace.h"

namespace zq {

std::string TraceLines(std::string_view clock, std::string_view mark, std::string_view text) {
  std::string lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.append(clock).append(" ").append(mark).append(" ").append(line).append("\r\n");
  }
  return lines;
}

bool SessionTrace::Open(const std::string& path) {
  if (path.empty()) return true;
  file_ = OpenStdFile(path, "wb");
  return file_ != nullptr;
}

void SessionTrace::Write(std::string_view clock, std::string_view mark, std::string_view text) {
  if (!file_ || cut_) return;
  const std::string lines = TraceLines(clock, mark, text);
  if (written_ + lines.size() <= kMaxBytes) return Append(lines);
  cut_ = true;
  Append(TraceLines(clock, "*", kTraceCutText));
}

void SessionTrace::WriteOutcome(std::string_view clock, std::string_view mark,
                                std::string_view text) {
  if (file_) Append(TraceLines(clock, mark, text));
}

void SessionTrace::Append(const std::string& lines) {
  std::fwrite(lines.data(), 1, lines.size(), file_.get());
  std::fflush(file_.get());
  written_ += lines.size();
}

}  // namespace zq
