// The lazily built network tree.
#include "console/network/clsNetworkComputer.h"

#include "common/Cp932.h"

namespace zq {
namespace {

constexpr std::uint32_t kMoreData = 234;
constexpr std::size_t kFirstBufferBytes = 1024;
// Enumeration rounds per expansion: a platform that never ends is stopped here.
constexpr int kMaxReads = 100000;

// Equal without regard to ASCII case; double-byte characters compare as they are.
bool SameName(std::string_view a, std::string_view b) {
  return Cp932AsciiUpper(a) == Cp932AsciiUpper(b);
}

}  // namespace

std::string ResourceTypeNameOf(std::uint32_t displayType) {
  static constexpr const char* kNames[] = {"Generic",    "Domain",    "Server",  "Share",
                                           "File",       "Group",     "Network", "Root",
                                           "AdminShare", "Directory", "Tree",    "NDSContainer"};
  return displayType < std::size(kNames) ? kNames[displayType] : "";
}

clsNetworkComputer::clsNetworkComputer(NetworkEnumeration& platform)
    : platform_(platform), children_(std::make_unique<clsNetworkComputers>()) {}

clsNetworkComputer::clsNetworkComputer(NetworkEnumeration& platform, NetResource resource)
    : platform_(platform),
      resource_(std::move(resource)),
      isRoot_(false),
      children_(std::make_unique<clsNetworkComputers>()) {}

clsNetworkComputer::~clsNetworkComputer() = default;

const clsNetworkComputers& clsNetworkComputer::Children() {
  if (!childrenLoaded_) EnumerateChildren();
  return *children_;
}

std::string clsNetworkComputer::ResourceTypeName() const {
  return ResourceTypeNameOf(resource_.displayType);
}

std::string clsNetworkComputer::ShortName() const {
  const std::string& name = resource_.remoteName;
  const std::size_t separator = Cp932FindLast(name, "\\");
  return separator == std::string::npos ? name : name.substr(separator + 1);
}

void clsNetworkComputer::EnumerateChildren() {
  children_ = std::make_unique<clsNetworkComputers>();
  if (platform_.Open(isRoot_ ? nullptr : &resource_) != 0) return;  // tried again next time
  std::size_t bufferBytes = kFirstBufferBytes;
  for (int round = 0; round < kMaxReads; ++round) {
    std::vector<NetResource> entries;
    const std::size_t asked = bufferBytes;
    const std::uint32_t status = platform_.Read(bufferBytes, entries);
    if (status == kMoreData && bufferBytes > asked) continue;  // read again with more room
    if (status != 0 || entries.empty()) break;  // the end, or an error: what was read stays
    for (NetResource& entry : entries) {
      children_->Add(std::make_unique<clsNetworkComputer>(platform_, std::move(entry)));
    }
  }
  platform_.Close();
  childrenLoaded_ = true;
}

clsNetworkComputer* clsNetworkComputers::Add(std::unique_ptr<clsNetworkComputer> child) {
  if (Item(child->RemoteName())) return nullptr;
  items_.push_back(std::move(child));
  return items_.back().get();
}

clsNetworkComputer* clsNetworkComputers::Item(std::string_view remoteName) const {
  for (const auto& item : items_) {
    if (SameName(item->RemoteName(), remoteName)) return item.get();
  }
  return nullptr;
}

clsNetworkComputer* clsNetworkComputers::Item(std::size_t position) const {
  return position >= 1 && position <= items_.size() ? items_[position - 1].get() : nullptr;
}

}  // namespace zq
