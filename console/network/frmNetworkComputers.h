// The network browser: the network as a tree, each level enumerated when its parent is first
// expanded; double-clicking a server stores its name in g_targetComputerName and closes the
// window. Each tree item carries its model object, so the same name may stand under two
// parents and no key path is needed.
#pragma once

#include <deque>

#include "common/ModelessDialog.h"
#include "common/UniqueHandle.h"
// after windows.h
#include <commctrl.h>

#include "console/network/clsNetworkComputer.h"

namespace zq {

class frmNetworkComputers final : public ModelessDialog {
 public:
  explicit frmNetworkComputers(NetworkEnumeration& platform);

  // True when a server was chosen (g_targetComputerName holds it).
  bool chosen() const { return chosen_; }

  void tvwNetwork_Expand(HTREEITEM item);
  void tvwNetwork_DblClick();

 private:
  // What a tree item stands for: a resource (filled once its children are in) or the
  // placeholder that gives a resource not yet enumerated its expansion button.
  struct Node {
    clsNetworkComputer* resource = nullptr;
    bool filled = false;
    bool placeholder = false;
  };

  void OnInit() override;
  bool OnSize(int width, int height) override;
  bool OnNotify(const NMHDR& header, LPARAM lParam) override;
  bool OnCommand(int id, int code) override;
  void Form_Load();
  HTREEITEM AddNode(HTREEITEM parent, const char* text, int image, Node node);
  void AddResourceNode(HTREEITEM parent, clsNetworkComputer& resource, bool withPlaceholder);
  Node* NodeOf(HTREEITEM item) const;
  HWND Tree() const;

  clsNetworkComputer root_;
  std::deque<Node> nodes_;  // stable addresses for the items' data
  // The tree's pictures: a tree view does not free the image list it is given.
  struct ImageListTraits {
    using Type = HIMAGELIST;
    static Type Invalid() { return nullptr; }
    static void Close(Type images) { ::ImageList_Destroy(images); }
  };
  UniqueAny<ImageListTraits> images_;
  bool chosen_ = false;
};

}  // namespace zq
