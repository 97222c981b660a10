// A stand-in network: the children of each remote name ("" for the top of the network),
// served a few at a time; opens can fail, a read can fail half-way, the first read can ask
// for more room (234); calls are counted.
#pragma once

#include <map>

#include "console/network/clsNetworkComputer.h"

namespace zq::testing {

// Children by parent remote name ("" for the top), served `perRead` at a time.
struct FakeNetwork : NetworkEnumeration {
  std::map<std::string, std::vector<NetResource>> children;
  std::size_t perRead = 2;
  int failOpens = 0;          // the next opens that fail
  int errorAfterReads = -1;   // a read error after that many reads
  std::size_t needBytes = 0;  // the first read asks for this much room (234)
  int opens = 0, closes = 0, reads = 0;

  std::uint32_t Open(const NetResource* parent) override {
    ++opens;
    if (failOpens > 0) return --failOpens, 1222;  // no network
    current_ = &children[parent ? parent->remoteName : ""];
    next_ = 0;
    return 0;
  }
  std::uint32_t Read(std::size_t& bufferBytes, std::vector<NetResource>& entries) override {
    if (reads++ == errorAfterReads) return 1232;
    if (bufferBytes < needBytes) return bufferBytes = needBytes, 234;
    if (next_ == current_->size()) return 259;
    for (; next_ < current_->size() && entries.size() < perRead; ++next_) {
      entries.push_back((*current_)[next_]);
    }
    return 0;
  }
  void Close() override { ++closes; }

 private:
  const std::vector<NetResource>* current_ = nullptr;
  std::size_t next_ = 0;
};

inline NetResource Resource(std::string name, std::uint32_t displayType) {
  NetResource r;
  r.remoteName = std::move(name);
  r.displayType = displayType;
  return r;
}

}  // namespace zq::testing
