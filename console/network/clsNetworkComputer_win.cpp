// The platform's network enumeration.
#include "console/network/clsNetworkComputer_win.h"

namespace zq {
namespace {

std::string TextAt(const char* text) { return text ? std::string(text) : std::string(); }

// The address of a string, or none for an empty one (as the top of the network has).
char* AddressOf(std::string& text) { return text.empty() ? nullptr : text.data(); }

}  // namespace

std::vector<NetResource> NetResourcesOf(const NETRESOURCEA* records, DWORD count) {
  std::vector<NetResource> resources;
  for (DWORD i = 0; records && i < count; ++i) {
    const NETRESOURCEA& r = records[i];
    resources.push_back({r.dwScope, r.dwType, r.dwDisplayType, r.dwUsage, TextAt(r.lpLocalName),
                         TextAt(r.lpRemoteName), TextAt(r.lpComment), TextAt(r.lpProvider)});
  }
  return resources;
}

std::uint32_t WNetEnumeration::Open(const NetResource* parent) {
  Close();
  NetResource copy = parent ? *parent : NetResource{};
  NETRESOURCEA resource{};
  resource.dwScope = copy.scope;
  resource.dwType = copy.type;
  resource.dwDisplayType = copy.displayType;
  resource.dwUsage = copy.usage;
  resource.lpLocalName = AddressOf(copy.localName);
  resource.lpRemoteName = AddressOf(copy.remoteName);
  resource.lpComment = AddressOf(copy.comment);
  resource.lpProvider = AddressOf(copy.provider);
  HANDLE handle = nullptr;
  const DWORD status = ::WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0,
                                       parent ? &resource : nullptr, &handle);
  if (status == NO_ERROR) handle_.reset(handle);
  return status;
}

std::uint32_t WNetEnumeration::Read(std::size_t& bufferBytes, std::vector<NetResource>& entries) {
  if (!handle_) return ERROR_INVALID_HANDLE;
  const UniqueGlobalMemory buffer(::GlobalAlloc(GPTR, bufferBytes));
  if (!buffer) return ERROR_NOT_ENOUGH_MEMORY;
  DWORD count = static_cast<DWORD>(-1);
  DWORD size = static_cast<DWORD>(bufferBytes);
  const DWORD status = ::WNetEnumResourceA(handle_.get(), &count, buffer.get(), &size);
  if (status == ERROR_MORE_DATA) {
    bufferBytes = size;
    return status;
  }
  if (status == NO_ERROR) {
    entries = NetResourcesOf(static_cast<const NETRESOURCEA*>(buffer.get()), count);
  }
  return status;
}

void WNetEnumeration::Close() { handle_.reset(); }

}  // namespace zq
