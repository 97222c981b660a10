// The network browser.
#include "console/network/frmNetworkComputers.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "common/Cp932.h"
#include "common/Hourglass.h"
#include "console/network/TargetComputer.h"
#include "console/network/frmNetworkComputersIds.h"

namespace zq {
namespace {

// The image keys in the order of the image strip.
constexpr const char* kImageKeys[] = {"directory", "root",   "group",  "ndscontainer", "network",
                                      "server",    "tree",   "domain", "share",        "adminshare",
                                      "printer",   "folder", "file"};
constexpr COLORREF kTransparent = RGB(255, 0, 255);

int ImageOf(std::string_view type) {
  const std::string key = Cp932AsciiLower(type);
  const auto found = std::find(std::begin(kImageKeys), std::end(kImageKeys), key);
  // Generic and unknown types have no image of their own: they show as a folder.
  return static_cast<int>(found != std::end(kImageKeys) ? found - std::begin(kImageKeys) : 11);
}

}  // namespace

frmNetworkComputers::frmNetworkComputers(NetworkEnumeration& platform)
    : ModelessDialog(IDD_frmNetworkComputers), root_(platform) {}

HWND frmNetworkComputers::Tree() const { return ::GetDlgItem(window(), IDV_tvwNetwork); }

void frmNetworkComputers::OnInit() { Form_Load(); }

bool frmNetworkComputers::OnSize(int width, int height) {
  ::MoveWindow(Tree(), 0, 0, width, height, TRUE);
  return true;
}

bool frmNetworkComputers::OnNotify(const NMHDR& header, LPARAM lParam) {
  if (header.idFrom != IDV_tvwNetwork) return false;
  if (header.code == TVN_ITEMEXPANDINGA || header.code == TVN_ITEMEXPANDINGW) {
    const auto* change = reinterpret_cast<const NMTREEVIEWA*>(lParam);
    if (change->action & TVE_EXPAND) tvwNetwork_Expand(change->itemNew.hItem);
  } else if (header.code == NM_DBLCLK) {
    tvwNetwork_DblClick();
  }
  return false;
}

bool frmNetworkComputers::OnCommand(int id, int) {
  if (id == IDCANCEL) Destroy();
  return true;
}

void frmNetworkComputers::Form_Load() {
  CentreOnScreen();
  images_.reset(::ImageList_LoadImageA(::GetModuleHandleA(nullptr),
                                       MAKEINTRESOURCEA(IDB_imlNWImages), 16, 0, kTransparent,
                                       IMAGE_BITMAP, LR_CREATEDIBSECTION));
  ::SendMessageA(Tree(), TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(images_.get()));
  Hourglass hourglass;
  const HTREEITEM top = AddNode(TVI_ROOT, "Entire Network", ImageOf("root"), {&root_, true});
  for (const auto& child : root_.Children()) {
    AddResourceNode(top, *child, true);  // the first level always gets a placeholder
  }
  ::SendMessageA(Tree(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(top));
}

HTREEITEM frmNetworkComputers::AddNode(HTREEITEM parent, const char* text, int image, Node node) {
  nodes_.push_back(node);
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  insert.item.pszText = const_cast<char*>(text);
  insert.item.iImage = insert.item.iSelectedImage = image;
  insert.item.lParam = reinterpret_cast<LPARAM>(&nodes_.back());
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageA(Tree(), TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void frmNetworkComputers::AddResourceNode(HTREEITEM parent, clsNetworkComputer& resource,
                                          bool withPlaceholder) {
  const std::string text = resource.ShortName();
  const HTREEITEM item =
      AddNode(parent, text.c_str(), ImageOf(resource.ResourceTypeName()), {&resource});
  if (withPlaceholder) AddNode(item, "FAKE", ImageOf("server"), {nullptr, false, true});
}

frmNetworkComputers::Node* frmNetworkComputers::NodeOf(HTREEITEM item) const {
  if (!item) return nullptr;
  TVITEMA data{};
  data.mask = TVIF_PARAM;
  data.hItem = item;
  if (!::SendMessageA(Tree(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data))) return nullptr;
  return reinterpret_cast<Node*>(data.lParam);
}

void frmNetworkComputers::tvwNetwork_Expand(HTREEITEM item) {
  Node* node = NodeOf(item);
  if (!node || node->filled || node->placeholder || !node->resource) return;
  Hourglass hourglass;  // the platform enumerates
  const clsNetworkComputers& children = node->resource->Children();
  // A failed enumeration keeps the placeholder, so the next expansion tries again.
  if (!node->resource->ChildrenLoaded()) return;
  HTREEITEM child = reinterpret_cast<HTREEITEM>(
      ::SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
  while (child) {
    const HTREEITEM next = reinterpret_cast<HTREEITEM>(
        ::SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(child)));
    if (const Node* c = NodeOf(child); c && c->placeholder) {
      ::SendMessageA(Tree(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
    }
    child = next;
  }
  for (const auto& resource : children) {
    AddResourceNode(item, *resource, resource->ResourceType() != kDisplayTypeServer);
  }
  node->filled = true;
  ::InvalidateRect(Tree(), nullptr, TRUE);
}

void frmNetworkComputers::tvwNetwork_DblClick() {
  const auto selected =
      reinterpret_cast<HTREEITEM>(::SendMessageA(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0));
  const Node* node = NodeOf(selected);
  if (!node || node->placeholder || !node->resource || node->resource->IsRoot() ||
      node->resource->ResourceType() != kDisplayTypeServer) {
    return;  // only a server is chosen; anything else just toggles as the tree does
  }
  g_targetComputerName = node->resource->ShortName();
  chosen_ = true;
  Destroy();
}

}  // namespace zq
