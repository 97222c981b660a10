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

ReportLog::~ReportLog() { Close(); }

bool ReportLog::CreateEmpty(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  return std::fclose(file) == 0;
}

namespace {
// True when the file is missing, empty or ends with a line feed.
bool FileEndsAtLineStart(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return true;
  bool atLineStart = true;
  if (std::fseek(file, -1, SEEK_END) == 0) atLineStart = std::fgetc(file) == '\n';
  std::fclose(file);
  return atLineStart;
}
}  // namespace

bool ReportLog::OpenForAppend(const std::string& path) {
  Close();
  atLineStart_ = FileEndsAtLineStart(path);
  file_ = std::fopen(path.c_str(), "ab");
  failed_ = false;
  return file_ != nullptr;
}

bool ReportLog::EnsureLineStart() { return atLineStart_ ? !failed_ : Write(kCrLf); }

bool ReportLog::Write(std::string_view bytes) {
  if (!file_ || failed_) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
    failed_ = true;
  }
  if (!bytes.empty()) atLineStart_ = bytes.back() == '\n';
  return !failed_;
}

bool ReportLog::Close() {
  if (!file_) return false;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  return closed && !failed_;
}

}  // namespace zq
