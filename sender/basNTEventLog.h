// Event-log sections of the report: the records of one event log written within the last N
// days, newest first, one line per record. The section logic is portable and asks the
// platform through EventLogPlatform; basNTEventLog_win.cpp implements it with the Win32
// event-log, account, registry and message-module calls.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sender/ReportLog.h"

namespace zq {

// A local calendar date and time of day.
struct LocalDateTime {
  int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  auto operator<=>(const LocalDateTime&) const = default;
};

// `t` moved by `days` calendar days, time of day kept.
LocalDateTime AddDays(const LocalDateTime& t, int days);

// "システム", "セキュリティ", "アプリケーション" for the three logs; "" for any other name.
std::string EventLogDisplayName(std::string_view logName);

// The six heading lines of the section of `logName`.
std::string EventLogSectionHeading(std::string_view logName);

// The 6-byte type text of an event type; "不明  " for types outside the table.
std::string EventTypeText(std::uint16_t eventType);

// The text with every control character (below 0x20, and 0x7F) replaced by a blank.
std::string WithBlanksForControls(std::string_view text);

// The category column: "なし" for an empty text, else the text without its CR LF pairs and
// with blanks for other control characters.
std::string CategoryColumn(std::string_view categoryText);

// One record line with CR LF; source, user and computer with blanks for control characters,
// so that no name written into an event log can forge report lines.
std::string EventRecordLine(std::uint16_t eventType, const LocalDateTime& written,
                            std::string_view source, std::string_view category,
                            std::uint32_t eventId, std::string_view user,
                            std::string_view computer);

// Every occurrence of `find` replaced, scanning left to right and going on after each
// inserted replacement; exact matching. An empty `find` leaves the text as it is.
std::string ReplaceText(std::string_view text, std::string_view find, std::string_view replacement);

// The text shown when a read of the log fails with `error`.
std::string ReadFailureText(std::uint32_t error, std::string_view systemErrorText);

// Error numbers of a read that the section tells apart.
inline constexpr std::uint32_t kErrorHandleEof = 38;
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;

struct EventReadResult {
  std::uint32_t error = 0;  // 0 on success
  std::uint32_t bytesRead = 0;
  std::uint32_t bytesNeeded = 0;  // with kErrorInsufficientBuffer: the next record's size
};

// The platform work of one section. Calls arrive in the order OpenLog, reads, CloseLog (only
// after a successful OpenLog); modules are freed before the section ends.
class EventLogPlatform {
 public:
  using Module = std::uintptr_t;  // 0: none

  virtual ~EventLogPlatform() = default;
  // 0 when the log is open, else the system error number.
  virtual std::uint32_t OpenLog(const std::string& computerName, const std::string& logName) = 0;
  // Reads as many whole records as fit, newest first, continuing where the last read ended.
  virtual EventReadResult ReadBackwards(std::span<std::uint8_t> buffer) = 0;
  virtual void CloseLog() = 0;
  // The account name (without domain) of a complete SID; false when it cannot be found.
  virtual bool LookupAccount(const std::string& computerName, std::span<const std::uint8_t> sid,
                             std::string& name) = 0;
  // The source's category message file with its environment references expanded; "" when
  // the source registers none.
  virtual std::string CategoryMessageFile(const std::string& logName,
                                          const std::string& sourceName) = 0;
  virtual Module LoadMessageModule(const std::string& path) = 0;
  virtual void FreeMessageModule(Module module) = 0;
  // The message text (inserts not filled in); "" when the module holds no such message.
  virtual std::string ModuleMessageText(Module module, std::uint32_t number) = 0;
  virtual LocalDateTime LocalTimeOf(std::uint32_t utcSeconds) = 0;
  virtual LocalDateTime Now() = 0;
  virtual std::string SystemErrorText(std::uint32_t error) = 0;
};

// The largest buffer one event-log read accepts on Windows.
inline constexpr std::size_t kEventReadBufferBytes = 0x7FFFF;

// Writes the section: heading; then, when the log opens, one line per record written later
// than `days` calendar days before now. Each message module is loaded once per section and
// each (source, category) text and each account name is looked up once. A log that cannot
// be opened, or a read failure other than the end of the log, leaves a failure line
// (SectionFailureLine) after what was listed, and a box only when messages are shown.
void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                          const std::string& logName, std::int16_t days, EventLogPlatform& platform,
                          std::size_t bufferBytes = kEventReadBufferBytes);

// Win32 side (basNTEventLog_win.cpp).

// The Win32 event-log calls behind the section. Windows only.
std::unique_ptr<EventLogPlatform> MakeWin32EventLog();

// The section for the local computer's log, read through the Win32 event-log calls.
void WriteEventLogSection(ReportLog& log, const std::string& computerName,
                          const std::string& logName, std::int16_t days);

// The account name (without domain) of a SID on `computerName` (empty: this computer);
// false when the SID is malformed or no account is found.
bool LookupAccountName(const std::string& computerName, std::span<const std::uint8_t> sid,
                       std::string& name);

}  // namespace zq
