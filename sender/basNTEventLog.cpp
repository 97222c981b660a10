// The event-log section: heading, record lines, the read loop and the per-section lookups.
#include "sender/basNTEventLog.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "common/CivilDate.h"
#include "common/MessageBox.h"
#include "sender/EventLogRecord.h"
#include "sender/SenderMessages.h"

namespace zq {
namespace {

std::string TwoDigits(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d", n);
  return text;
}

// Frees every module loaded during one section, on every way out of it.
class ModuleCache {
 public:
  explicit ModuleCache(EventLogPlatform& platform) : platform_(platform) {}
  ModuleCache(const ModuleCache&) = delete;
  ModuleCache& operator=(const ModuleCache&) = delete;
  ~ModuleCache() {
    for (const auto& [path, module] : modules_) {
      if (module != 0) platform_.FreeMessageModule(module);
    }
  }
  // The module at `path`, loaded on first use; 0 (remembered too) when it cannot be loaded.
  EventLogPlatform::Module Get(const std::string& path) {
    const auto found = modules_.find(path);
    if (found != modules_.end()) return found->second;
    return modules_.emplace(path, platform_.LoadMessageModule(path)).first->second;
  }

 private:
  EventLogPlatform& platform_;
  std::map<std::string, EventLogPlatform::Module> modules_;
};

// The lookups of one section, each made once per distinct question.
class SectionLookups {
 public:
  SectionLookups(EventLogPlatform& platform, const std::string& computerName,
                 const std::string& logName)
      : platform_(platform), computerName_(computerName), logName_(logName), modules_(platform) {}

  const std::string& CategoryText(const std::string& source, std::uint16_t category) {
    const auto key = std::make_pair(source, category);
    const auto found = categories_.find(key);
    if (found != categories_.end()) return found->second;
    const std::string& path = CategoryFile(source);
    std::string text;
    if (!path.empty()) {
      const EventLogPlatform::Module module = modules_.Get(path);
      if (module != 0) text = platform_.ModuleMessageText(module, category);
    }
    return categories_.emplace(key, CategoryColumn(text)).first->second;
  }

  const std::string& UserText(const EventRecord& record) {
    static const std::string kNoUser = "N/A";
    if (!record.hasUser) return kNoUser;
    std::string key(record.userSid.begin(), record.userSid.end());
    const auto found = users_.find(key);
    if (found != users_.end()) return found->second;
    std::string name;
    if (!IsCompleteSid(record.userSid) ||
        !platform_.LookupAccount(computerName_, record.userSid, name)) {
      name = SidText(record.userSid);
      if (name.empty()) name = kNoUser;
    }
    return users_.emplace(std::move(key), std::move(name)).first->second;
  }

 private:
  const std::string& CategoryFile(const std::string& source) {
    const auto found = files_.find(source);
    if (found != files_.end()) return found->second;
    return files_.emplace(source, platform_.CategoryMessageFile(logName_, source)).first->second;
  }

  EventLogPlatform& platform_;
  const std::string& computerName_;
  const std::string& logName_;
  ModuleCache modules_;
  std::map<std::string, std::string> files_;
  std::map<std::pair<std::string, std::uint16_t>, std::string> categories_;
  std::map<std::string, std::string> users_;  // SID bytes -> user column
};

// Closes the log on every way out of the section.
class OpenedLog {
 public:
  explicit OpenedLog(EventLogPlatform& platform) : platform_(platform) {}
  OpenedLog(const OpenedLog&) = delete;
  OpenedLog& operator=(const OpenedLog&) = delete;
  ~OpenedLog() { platform_.CloseLog(); }

 private:
  EventLogPlatform& platform_;
};

// Records larger than this are taken as a failing read rather than grown into.
constexpr std::size_t kMaxEventReadBufferBytes = 64 * 1024 * 1024;

}  // namespace

LocalDateTime AddDays(const LocalDateTime& t, int days) {
  LocalDateTime moved = t;
  CivilFromDays(DaysFromCivil(t.year, t.month, t.day) + days, moved.year, moved.month, moved.day);
  return moved;
}

std::string EventLogDisplayName(std::string_view logName) {
  if (logName == "System") return "システム";
  if (logName == "Security") return "セキュリティ";
  if (logName == "Application") return "アプリケーション";
  return {};
}

std::string EventLogSectionHeading(std::string_view logName) {
  std::string heading = SectionHeading("イベント「" + EventLogDisplayName(logName) + "」");
  heading.append("種類   日付       時刻     ソース  分類 イベント ユーザ コンピュータ");
  heading.append(kCrLf).append(kSingleRule).append(kCrLf);
  return heading;
}

std::string EventTypeText(std::uint16_t eventType) {
  switch (eventType) {
    case 1:
      return "エラー";
    case 2:
      return "警告  ";
    case 4:
      return "情報  ";
    case 8:
      return "成功  ";
    case 16:
      return "失敗  ";
    default:
      return "不明  ";
  }
}

std::string WithBlanksForControls(std::string_view text) {
  std::string column(text);
  // A byte below 0x20 or 0x7F is never part of a CP932 double-byte character.
  for (char& c : column) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  }
  return column;
}

std::string CategoryColumn(std::string_view categoryText) {
  if (categoryText.empty()) return "なし";
  return WithBlanksForControls(ReplaceText(categoryText, kCrLf, ""));
}

std::string EventRecordLine(std::uint16_t eventType, const LocalDateTime& written,
                            std::string_view source, std::string_view category,
                            std::uint32_t eventId, std::string_view user,
                            std::string_view computer) {
  char stamp[48];
  std::snprintf(stamp, sizeof stamp, "%04d/%s/%s %s:%s:%s", written.year,
                TwoDigits(written.month).c_str(), TwoDigits(written.day).c_str(),
                TwoDigits(written.hour).c_str(), TwoDigits(written.minute).c_str(),
                TwoDigits(written.second).c_str());
  std::string line = EventTypeText(eventType);
  line.append(" ").append(stamp).append(" ").append(WithBlanksForControls(source));
  line.append(" ").append(category).append(" ").append(std::to_string(eventId & 0xFFFF));
  line.append(" ").append(WithBlanksForControls(user));
  line.append(" ").append(WithBlanksForControls(computer)).append(kCrLf);
  return line;
}

std::string ReplaceText(std::string_view text, std::string_view find,
                        std::string_view replacement) {
  if (find.empty()) return std::string(text);
  std::string result;
  result.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find(find); at != std::string_view::npos; at = text.find(find, from)) {
    result.append(text.substr(from, at - from)).append(replacement);
    from = at + find.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string ReadFailureText(std::uint32_t error, std::string_view systemErrorText) {
  char number[16];
  std::snprintf(number, sizeof number, "%08X", static_cast<unsigned>(error));
  std::string text = "ReadEventLog function fails.";
  text.append(kCrLf).append("ErrNumber = 0x").append(number).append(kCrLf);
  text.append(systemErrorText);
  return text;
}

void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                          const std::string& logName, std::int16_t days, EventLogPlatform& platform,
                          std::size_t bufferBytes) {
  log.Write(EventLogSectionHeading(logName));
  if (const std::uint32_t error = platform.OpenLog(computerName, logName)) {
    log.Write(
        SectionFailureLine("イベントログを開けません", error, platform.SystemErrorText(error)));
    return;
  }
  OpenedLog opened(platform);
  SectionLookups lookups(platform, computerName, logName);

  std::vector<std::uint8_t> buffer(std::max<std::size_t>(bufferBytes, kEventRecordFixedBytes));
  std::string lines;
  for (;;) {
    const EventReadResult read = platform.ReadBackwards(buffer);
    if (read.error == 0 && read.bytesRead > 0) {
      lines.clear();
      const std::size_t bytes = std::min<std::size_t>(read.bytesRead, buffer.size());
      ForEachEventRecord(std::span(buffer.data(), bytes), [&](const EventRecord& record) {
        const LocalDateTime written = platform.LocalTimeOf(record.timeWritten);
        if (!(written > AddDays(platform.Now(), -days))) return;
        lines += EventRecordLine(record.eventType, written, record.sourceName,
                                 lookups.CategoryText(record.sourceName, record.eventCategory),
                                 record.eventId, lookups.UserText(record), record.computerName);
      });
      log.Write(lines);
      continue;
    }
    if (read.error == 0 || read.error == kErrorHandleEof) return;
    if (read.error == kErrorInsufficientBuffer && read.bytesNeeded > buffer.size() &&
        read.bytesNeeded <= kMaxEventReadBufferBytes) {
      buffer.resize(read.bytesNeeded);
      continue;
    }
    const std::string text = platform.SystemErrorText(read.error);
    log.Write(SectionFailureLine("イベントログを読めません", read.error, text));
    if (MessagesShown()) PelmoraMessage(ReadFailureText(read.error, text), kMbExclamation);
    return;
  }
}

}  // namespace zq
