// Append-only access to the report log file.
#include "sender/ReportLog.h"

namespace zq {

std::string SectionHeading(std::string_view title) {
  std::string heading;
  heading.reserve(2 * kDoubleRule.size() + title.size() + 4 * kCrLf.size());
  heading.append(kCrLf).append(kDoubleRule).append(kCrLf);
  heading.append(title).append(kCrLf);
  heading.append(kSingleRule).append(kCrLf);
  return heading;
}

std::string SectionFailureLine(std::string_view what, std::uint32_t error,
                               std::string_view systemText) {
  std::string line = "*** ";
  line.append(what).append("（エラー ").append(std::to_string(error)).append("）: ");
  line.append(systemText).append(" ***").append(kCrLf);
  return line;
}

bool ReportLog::CreateEmpty(const std::string& path) {
  UniqueStdFile file = OpenStdFile(path, "wb");
  return CloseStdFile(file);
}

namespace {
// True when the file is missing, empty or ends with a line feed.
bool FileEndsAtLineStart(const std::string& path) {
  const UniqueStdFile file = OpenStdFile(path, "rb");
  if (!file) return true;
  return std::fseek(file.get(), -1, SEEK_END) != 0 || std::fgetc(file.get()) == '\n';
}
}  // namespace

bool ReportLog::OpenForAppend(const std::string& path) {
  Close();
  atLineStart_ = FileEndsAtLineStart(path);
  file_ = OpenStdFile(path, "ab");
  failed_ = false;
  return file_ != nullptr;
}

bool ReportLog::EnsureLineStart() { return atLineStart_ ? !failed_ : Write(kCrLf); }

bool ReportLog::Write(std::string_view bytes) {
  if (!file_ || failed_) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_.get()) != bytes.size()) {
    failed_ = true;
  }
  if (!bytes.empty()) atLineStart_ = bytes.back() == '\n';
  return !failed_;
}

bool ReportLog::Close() { return CloseStdFile(file_) && !failed_; }

}  // namespace zq
