// A stand-in event-log platform for tests and benchmarks: synthesized EVENTLOGRECORD bytes
// served newest first, as many whole records per read as fit, with the calls counted.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "sender/basNTEventLog.h"

namespace zq::testing {

inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The bytes of one record laid out as Windows does: fixed part, names, SID, padding to 4.
inline std::vector<std::uint8_t> RecordBytes(std::uint32_t timeWritten, std::uint32_t eventId = 1,
                                             std::uint16_t eventType = 4,
                                             std::uint16_t category = 0, std::string source = "Src",
                                             std::string computer = "PC1",
                                             std::vector<std::uint8_t> sid = {}) {
  std::vector<std::uint8_t> b(56, 0);
  b.insert(b.end(), source.begin(), source.end());
  b.push_back(0);
  b.insert(b.end(), computer.begin(), computer.end());
  b.push_back(0);
  while (b.size() % 4) b.push_back(0);
  const std::size_t sidOffset = b.size();
  b.insert(b.end(), sid.begin(), sid.end());
  b.resize(b.size() + 4, 0);  // the trailing length copy
  Put32(b, 0, static_cast<std::uint32_t>(b.size()));
  Put32(b, 4, 0x654c664c);  // "LfLe"
  Put32(b, 16, timeWritten);
  Put32(b, 20, eventId);
  b[24] = static_cast<std::uint8_t>(eventType);
  b[25] = static_cast<std::uint8_t>(eventType >> 8);
  b[28] = static_cast<std::uint8_t>(category);
  b[29] = static_cast<std::uint8_t>(category >> 8);
  Put32(b, 40, static_cast<std::uint32_t>(sid.size()));
  Put32(b, 44, sid.empty() ? 0 : static_cast<std::uint32_t>(sidOffset));
  Put32(b, b.size() - 4, static_cast<std::uint32_t>(b.size()));
  return b;
}

// A SID S-1-5-sub...
inline std::vector<std::uint8_t> Sid(std::initializer_list<std::uint32_t> subs) {
  std::vector<std::uint8_t> b = {1, static_cast<std::uint8_t>(subs.size()), 0, 0, 0, 0, 0, 5};
  for (std::uint32_t s : subs) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, s);
  }
  return b;
}

class FakeEventLog : public EventLogPlatform {
 public:
  std::vector<std::vector<std::uint8_t>> records;  // newest first
  bool opens = true;
  std::uint32_t failAfterReads = 0;  // non-zero: that read fails with failError
  std::uint32_t failError = 5;
  LocalDateTime now{2026, 12, 6, 12, 0, 0};
  std::map<std::string, std::string> categoryFiles;                   // source -> path
  std::map<std::string, std::map<std::uint32_t, std::string>> texts;  // path -> messages
  std::map<std::vector<std::uint8_t>, std::string> accounts;

  int reads = 0, moduleLoads = 0, moduleFrees = 0, lookups = 0, closes = 0;

  std::uint32_t OpenLog(const std::string&, const std::string&) override { return opens ? 0 : 5; }

  EventReadResult ReadBackwards(std::span<std::uint8_t> buffer) override {
    ++reads;
    if (failAfterReads != 0 && static_cast<std::uint32_t>(reads) == failAfterReads) {
      return {failError, 0, 0};
    }
    if (next_ == records.size()) return {kErrorHandleEof, 0, 0};
    if (records[next_].size() > buffer.size()) {
      return {kErrorInsufficientBuffer, 0, static_cast<std::uint32_t>(records[next_].size())};
    }
    std::size_t used = 0;
    while (next_ < records.size() && used + records[next_].size() <= buffer.size()) {
      std::memcpy(buffer.data() + used, records[next_].data(), records[next_].size());
      used += records[next_++].size();
    }
    return {0, static_cast<std::uint32_t>(used), 0};
  }

  void CloseLog() override { ++closes; }

  bool LookupAccount(const std::string&, std::span<const std::uint8_t> sid,
                     std::string& name) override {
    ++lookups;
    const auto found = accounts.find(std::vector<std::uint8_t>(sid.begin(), sid.end()));
    if (found == accounts.end()) return false;
    name = found->second;
    return true;
  }

  std::string CategoryMessageFile(const std::string&, const std::string& source) override {
    const auto found = categoryFiles.find(source);
    return found == categoryFiles.end() ? std::string() : found->second;
  }

  Module LoadMessageModule(const std::string& path) override {
    ++moduleLoads;
    const auto found = texts.find(path);
    return found == texts.end() ? 0 : reinterpret_cast<Module>(&found->second);
  }

  void FreeMessageModule(Module) override { ++moduleFrees; }

  std::string ModuleMessageText(Module module, std::uint32_t number) override {
    const auto& messages = *reinterpret_cast<const std::map<std::uint32_t, std::string>*>(module);
    const auto found = messages.find(number);
    return found == messages.end() ? std::string() : found->second;
  }

  // Local time is UTC here.
  LocalDateTime LocalTimeOf(std::uint32_t seconds) override {
    LocalDateTime t = AddDays(LocalDateTime{}, static_cast<int>(seconds / 86400));
    t.hour = static_cast<int>(seconds % 86400 / 3600);
    t.minute = static_cast<int>(seconds % 3600 / 60);
    t.second = static_cast<int>(seconds % 60);
    return t;
  }

  LocalDateTime Now() override { return now; }

  std::string SystemErrorText(std::uint32_t) override { return "Access is denied."; }

 private:
  std::size_t next_ = 0;
};

}  // namespace zq::testing
