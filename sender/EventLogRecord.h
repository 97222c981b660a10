// Reading EVENTLOGRECORD entries out of the bytes an event-log read returned. Every offset
// and length a record carries is checked against the record and the buffer, so a malformed
// record yields what can be read safely and never a read outside the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

// Size of the fixed part of a record, before the source and computer names.
inline constexpr std::size_t kEventRecordFixedBytes = 56;
// Of the source and the computer name at most this many bytes are used.
inline constexpr std::size_t kEventRecordNameBytes = 256;

struct EventRecord {
  std::uint32_t timeWritten = 0;  // seconds since 1970-01-01 00:00:00 UTC
  std::uint32_t eventId = 0;
  std::uint16_t eventType = 0;
  std::uint16_t eventCategory = 0;
  std::string sourceName;             // CP932
  std::string computerName;           // CP932
  bool hasUser = false;               // the record carries a user identifier (UserSidLength >= 1)
  std::vector<std::uint8_t> userSid;  // the identifier's bytes that lie inside the record
};

// Parses one record from `bytes` (the record's own bytes, at most its Length). False when the
// fixed part is incomplete.
bool ParseEventRecord(std::span<const std::uint8_t> bytes, EventRecord& record);

// Calls `each` for every record in the bytes of one read, in buffer order. A record whose
// Length is shorter than the fixed part or runs past the bytes read ends the walk (after
// that record's readable part, in the second case).
void ForEachEventRecord(std::span<const std::uint8_t> bytes,
                        const std::function<void(const EventRecord&)>& each);

// A security identifier as text: "S-1-" + authority + "-" + each sub-authority (at most 15,
// only those inside the bytes), unsigned decimal. "" when the bytes hold no SID header.
std::string SidText(std::span<const std::uint8_t> sid);

// True when the bytes hold a whole SID (revision 1, all its sub-authorities present).
bool IsCompleteSid(std::span<const std::uint8_t> sid);

}  // namespace zq
