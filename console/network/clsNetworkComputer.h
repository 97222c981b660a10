// The network neighbourhood as a lazily built tree: a clsNetworkComputer is one resource (a
// provider, a domain, a server...) or the top of the network; its children are enumerated
// through the NetworkEnumeration seam the first time they are asked for and kept. Portable;
// clsNetworkComputer_win.cpp implements the seam with WNetOpenEnumA / WNetEnumResourceA.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

struct NetResource {
  std::uint32_t scope = 0, type = 0, displayType = 0, usage = 0;
  std::string localName, remoteName, comment, provider;
};

inline constexpr std::uint32_t kDisplayTypeServer = 2;

// One enumeration of a resource's children on the platform. Status codes are the platform's:
// 0 success, 234 more data (the buffer is too small for one entry), 259 no more items.
class NetworkEnumeration {
 public:
  virtual ~NetworkEnumeration() = default;
  // Opens the enumeration of `parent`'s children (nullptr: the top of the network).
  virtual std::uint32_t Open(const NetResource* parent) = 0;
  // Reads as many entries as fit into a buffer of `bufferBytes`: status, entries and, with
  // 234, the size the platform asks for in `bufferBytes`.
  virtual std::uint32_t Read(std::size_t& bufferBytes, std::vector<NetResource>& entries) = 0;
  virtual void Close() = 0;
};

class clsNetworkComputers;

class clsNetworkComputer {
 public:
  // The top of the network.
  explicit clsNetworkComputer(NetworkEnumeration& platform);
  clsNetworkComputer(NetworkEnumeration& platform, NetResource resource);
  ~clsNetworkComputer();

  // The child resources, enumerated on the first read (and again after a failed open).
  const clsNetworkComputers& Children();
  bool ChildrenLoaded() const { return childrenLoaded_; }
  bool IsRoot() const { return isRoot_; }
  const NetResource& Resource() const { return resource_; }
  const std::string& RemoteName() const { return resource_.remoteName; }
  std::uint32_t ResourceType() const { return resource_.displayType; }
  std::string ResourceTypeName() const;
  // The part of RemoteName after its last backslash (CP932 aware).
  std::string ShortName() const;

 private:
  void EnumerateChildren();

  NetworkEnumeration& platform_;
  NetResource resource_;
  bool childrenLoaded_ = false;
  bool isRoot_ = true;
  std::unique_ptr<clsNetworkComputers> children_;
};

// A resource's children in the platform's order; remote names are unique without regard to
// case (a later duplicate is skipped).
class clsNetworkComputers {
 public:
  // Adds a child unless one with the same remote name is there; the added one or nullptr.
  clsNetworkComputer* Add(std::unique_ptr<clsNetworkComputer> child);
  // By remote name (without regard to case) or by 1-based position; nullptr when none.
  clsNetworkComputer* Item(std::string_view remoteName) const;
  clsNetworkComputer* Item(std::size_t position) const;
  std::size_t Count() const { return items_.size(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::unique_ptr<clsNetworkComputer>> items_;
};

// "Generic", "Domain", ... "NDSContainer" for display types 0 to 11; "" for others.
std::string ResourceTypeNameOf(std::uint32_t displayType);

}  // namespace zq
