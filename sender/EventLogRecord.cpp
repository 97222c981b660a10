// EVENTLOGRECORD parsing with every offset checked against the record's bytes.
#include "sender/EventLogRecord.h"

#include <algorithm>

namespace zq {
namespace {

// Field offsets of the fixed part (little-endian, as Windows lays records out).
constexpr std::size_t kLength = 0;
constexpr std::size_t kTimeWritten = 16;
constexpr std::size_t kEventId = 20;
constexpr std::size_t kEventType = 24;
constexpr std::size_t kEventCategory = 28;
constexpr std::size_t kUserSidLength = 40;
constexpr std::size_t kUserSidOffset = 44;

constexpr std::size_t kSidHeaderBytes = 8;
constexpr std::size_t kMaxSubAuthorities = 15;

std::uint32_t Read32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
         std::uint32_t{b[at + 3]} << 24;
}

std::uint16_t Read16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

// The NUL-terminated name starting at `at`, cut at the end of the bytes and at
// kEventRecordNameBytes; `next` is set just past its NUL (or to the end).
std::string NameAt(std::span<const std::uint8_t> b, std::size_t at, std::size_t& next) {
  if (at >= b.size()) {
    next = b.size();
    return {};
  }
  const auto begin = b.begin() + static_cast<std::ptrdiff_t>(at);
  const auto nul = std::find(begin, b.end(), std::uint8_t{0});
  next = static_cast<std::size_t>(nul - b.begin()) + (nul == b.end() ? 0 : 1);
  const std::size_t length = std::min(static_cast<std::size_t>(nul - begin), kEventRecordNameBytes);
  return std::string(reinterpret_cast<const char*>(&*begin), length);
}

}  // namespace

bool ParseEventRecord(std::span<const std::uint8_t> bytes, EventRecord& record) {
  if (bytes.size() < kEventRecordFixedBytes) return false;
  record = EventRecord{};
  record.timeWritten = Read32(bytes, kTimeWritten);
  record.eventId = Read32(bytes, kEventId);
  record.eventType = Read16(bytes, kEventType);
  record.eventCategory = Read16(bytes, kEventCategory);
  std::size_t next = 0;
  record.sourceName = NameAt(bytes, kEventRecordFixedBytes, next);
  record.computerName = NameAt(bytes, next, next);

  const std::uint32_t sidLength = Read32(bytes, kUserSidLength);
  const std::uint32_t sidOffset = Read32(bytes, kUserSidOffset);
  record.hasUser = sidLength >= 1;
  if (record.hasUser && sidOffset < bytes.size()) {
    const std::size_t available =
        std::min<std::size_t>(sidLength, bytes.size() - std::size_t{sidOffset});
    const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(sidOffset);
    record.userSid.assign(from, from + static_cast<std::ptrdiff_t>(available));
  }
  return true;
}

void ForEachEventRecord(std::span<const std::uint8_t> bytes,
                        const std::function<void(const EventRecord&)>& each) {
  EventRecord record;
  std::size_t at = 0;
  while (bytes.size() - at >= kEventRecordFixedBytes) {
    const std::size_t length = Read32(bytes, at + kLength);
    if (length < kEventRecordFixedBytes) return;
    const std::size_t readable = std::min(length, bytes.size() - at);
    if (ParseEventRecord(bytes.subspan(at, readable), record)) each(record);
    if (readable < length) return;
    at += length;
  }
}

std::string SidText(std::span<const std::uint8_t> sid) {
  if (sid.size() < kSidHeaderBytes) return {};
  // The authority is a 48-bit big-endian number.
  std::uint64_t authority = 0;
  for (std::size_t i = 2; i < kSidHeaderBytes; ++i) authority = authority << 8 | sid[i];
  std::string text = "S-" + std::to_string(sid[0]) + "-" + std::to_string(authority);
  const std::size_t present = (sid.size() - kSidHeaderBytes) / 4;
  const std::size_t count = std::min({std::size_t{sid[1]}, present, kMaxSubAuthorities});
  for (std::size_t i = 0; i < count; ++i) {
    text += "-" + std::to_string(Read32(sid, kSidHeaderBytes + 4 * i));
  }
  return text;
}

bool IsCompleteSid(std::span<const std::uint8_t> sid) {
  return sid.size() >= kSidHeaderBytes && sid[0] == 1 && sid[1] <= kMaxSubAuthorities &&
         sid.size() >= kSidHeaderBytes + 4 * std::size_t{sid[1]};
}

}  // namespace zq
