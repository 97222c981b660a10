// The network enumeration of the platform (mpr: WNetOpenEnumA, WNetEnumResourceA,
// WNetCloseEnum) behind the tree's seam. Windows only.
#pragma once

#include <windows.h>
// after windows.h
#include <winnetwk.h>

#include "common/UniqueHandle.h"
#include "console/network/clsNetworkComputer.h"

namespace zq {

struct NetworkEnumTraits {
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::WNetCloseEnum(h); }
};

class WNetEnumeration final : public NetworkEnumeration {
 public:
  std::uint32_t Open(const NetResource* parent) override;
  std::uint32_t Read(std::size_t& bufferBytes, std::vector<NetResource>& entries) override;
  void Close() override;

 private:
  UniqueAny<NetworkEnumTraits> handle_;
};

// The records of a read buffer, stepped by the platform's NETRESOURCEA; whole strings.
std::vector<NetResource> NetResourcesOf(const NETRESOURCEA* records, DWORD count);

}  // namespace zq
