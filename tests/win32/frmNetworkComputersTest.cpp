// The network browser created headless over the fake network: levels filled on their first
// expansion only, servers without expansion buttons, the same name under two parents and a
// 300-byte name, choosing by double-click.
#include "console/network/frmNetworkComputers.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/MessageBox.h"
#include "common/PlatformText.h"
#include "console/basTervask.h"
#include "console/frmTervask.h"
#include "console/frmTervaskIds.h"
#include "console/network/clsNetworkComputer_win.h"
#include "console/network/frmNetworkComputersIds.h"
#include "tests/support/FakeJobStore.h"
#include "tests/support/FakeNetwork.h"
#include "tests/win32/RecordedBoxes.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

using testing::FakeNetwork;
using testing::Resource;

HWND TreeOf(frmNetworkComputers& browser) { return ::GetDlgItem(browser.window(), IDV_tvwNetwork); }

HTREEITEM Next(HWND tree, HTREEITEM item, UINT how) {
  return reinterpret_cast<HTREEITEM>(
      ::SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
}

std::string TextOf(HWND tree, HTREEITEM item) {
  char text[512] = {};
  TVITEMA data{};
  data.mask = TVIF_TEXT;
  data.hItem = item;
  data.pszText = text;
  data.cchTextMax = sizeof text;
  ::SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
  return text;
}

// The texts of an item's children.
std::vector<std::string> Children(HWND tree, HTREEITEM item) {
  std::vector<std::string> texts;
  for (HTREEITEM c = Next(tree, item, TVGN_CHILD); c; c = Next(tree, c, TVGN_NEXT)) {
    texts.push_back(TextOf(tree, c));
  }
  return texts;
}

HTREEITEM Child(HWND tree, HTREEITEM item, const std::string& text) {
  for (HTREEITEM c = Next(tree, item, TVGN_CHILD); c; c = Next(tree, c, TVGN_NEXT)) {
    if (TextOf(tree, c) == text) return c;
  }
  return nullptr;
}

void Expand(frmNetworkComputers& browser, HTREEITEM item) {
  NMTREEVIEWA change{};
  change.hdr.hwndFrom = TreeOf(browser);
  change.hdr.idFrom = IDV_tvwNetwork;
  change.hdr.code = TVN_ITEMEXPANDINGA;
  change.action = TVE_EXPAND;
  change.itemNew.hItem = item;
  ::SendMessageA(browser.window(), WM_NOTIFY, IDV_tvwNetwork, reinterpret_cast<LPARAM>(&change));
}

void DoubleClick(frmNetworkComputers& browser, HTREEITEM item) {
  ::SendMessageA(TreeOf(browser), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  NMHDR click{TreeOf(browser), IDV_tvwNetwork, static_cast<UINT>(NM_DBLCLK)};
  ::SendMessageA(browser.window(), WM_NOTIFY, IDV_tvwNetwork, reinterpret_cast<LPARAM>(&click));
}

TEST(NetworkBrowser, LevelsOnFirstExpansionAndAServerChosenByDoubleClick) {
  FakeNetwork network;
  const std::string longName(300, 'N');
  network.children[""] = {Resource("Microsoft Windows Network", 6)};
  network.children["Microsoft Windows Network"] = {Resource("WORKGROUP", 5), Resource("DOMAIN", 1)};
  network.children["WORKGROUP"] = {Resource("\\\\HOST", 2), Resource("\\\\" + longName, 2),
                                   Resource("\\\\GENERIC", 0)};
  network.children["DOMAIN"] = {Resource("\\\\HOST", 2)};
  g_targetComputerName = "OLD";
  frmNetworkComputers browser(network);
  ASSERT_TRUE(browser.Create());
  const HWND tree = TreeOf(browser);
  const HTREEITEM top = Next(tree, nullptr, TVGN_ROOT);
  EXPECT_EQ(TextOf(tree, top), "Entire Network");
  const HTREEITEM provider = Child(tree, top, "Microsoft Windows Network");
  ASSERT_TRUE(provider);
  EXPECT_EQ(Children(tree, provider), std::vector<std::string>{"FAKE"});

  Expand(browser, provider);
  EXPECT_EQ(Children(tree, provider), (std::vector<std::string>{"WORKGROUP", "DOMAIN"}));
  const HTREEITEM workgroup = Child(tree, provider, "WORKGROUP");
  Expand(browser, workgroup);
  EXPECT_EQ(Children(tree, workgroup), (std::vector<std::string>{"HOST", longName, "GENERIC"}));
  EXPECT_EQ(Next(tree, Child(tree, workgroup, "HOST"), TVGN_CHILD), nullptr)
      << "a server is a leaf";
  EXPECT_EQ(Children(tree, Child(tree, workgroup, "GENERIC")), std::vector<std::string>{"FAKE"});
  const int opens = network.opens;
  Expand(browser, workgroup);
  EXPECT_EQ(network.opens, opens) << "a filled level is not enumerated again";
  const HTREEITEM domain = Child(tree, provider, "DOMAIN");
  Expand(browser, domain);
  EXPECT_EQ(Children(tree, domain), std::vector<std::string>{"HOST"});

  // GENERIC cannot be enumerated now: it keeps its placeholder, which is then selectable.
  network.failOpens = 1;
  const HTREEITEM placeholder = Child(tree, Child(tree, workgroup, "GENERIC"), "FAKE");
  for (const HTREEITEM notAServer : {domain, top, placeholder}) {
    DoubleClick(browser, notAServer);
    ASSERT_NE(browser.window(), nullptr);
  }
  EXPECT_EQ(Children(tree, Child(tree, workgroup, "GENERIC")), std::vector<std::string>{"FAKE"});
  EXPECT_EQ(g_targetComputerName, "OLD");
  DoubleClick(browser, Child(tree, domain, "HOST"));
  EXPECT_EQ(browser.window(), nullptr);
  EXPECT_TRUE(browser.chosen());
  EXPECT_EQ(g_targetComputerName, "HOST");
}

TEST(NetworkBrowser, RecordsAreSteppedByThePlatformsStructureAndReadWhole) {
  std::string longName = "\\\\" + std::string(300, 'N');
  char provider[] = "Microsoft Windows Network";
  NETRESOURCEA records[2] = {};
  records[0].dwDisplayType = 2;
  records[0].lpRemoteName = longName.data();
  records[0].lpProvider = provider;
  records[1].dwDisplayType = 1;  // no strings at all
  const std::vector<NetResource> read = NetResourcesOf(records, 2);
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].remoteName, longName);
  EXPECT_EQ(read[0].provider, provider);
  EXPECT_EQ(read[1].displayType, 1u);
  EXPECT_EQ(read[1].remoteName, "");
}

// Works the browser that the main window shows modally, from a timer inside its loop.
struct BrowserScript {
  FakeNetwork* network;
  bool ran = false;
};
BrowserScript* g_script = nullptr;

void CALLBACK ChooseHost(HWND, UINT, UINT_PTR timer, DWORD) {
  const HWND window = ::FindWindowA(nullptr, "コンピュータの選択");
  if (!window || g_script->ran) return;
  g_script->ran = true;
  ::KillTimer(nullptr, timer);
  const HWND tree = ::GetDlgItem(window, IDV_tvwNetwork);
  const HTREEITEM provider = Next(tree, Next(tree, nullptr, TVGN_ROOT), TVGN_CHILD);
  NMTREEVIEWA change{};
  change.hdr = {tree, IDV_tvwNetwork, static_cast<UINT>(TVN_ITEMEXPANDINGA)};
  change.action = TVE_EXPAND;
  change.itemNew.hItem = provider;
  ::SendMessageA(window, WM_NOTIFY, IDV_tvwNetwork, reinterpret_cast<LPARAM>(&change));
  ::SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(Child(tree, provider, "HOST")));
  NMHDR click{tree, IDV_tvwNetwork, static_cast<UINT>(NM_DBLCLK)};
  ::SendMessageA(window, WM_NOTIFY, IDV_tvwNetwork, reinterpret_cast<LPARAM>(&click));
}

TEST(NetworkBrowser, TheMainWindowShowsTheChoiceAndSaysJobsStayLocal) {
  FakeNetwork network;
  network.children[""] = {Resource("WORKGROUP", 5)};
  network.children["WORKGROUP"] = {Resource("\\\\HOST", 2)};
  testing::FakeJobStore jobs;
  frmTervask form(jobs);
  ASSERT_TRUE(form.Create());
  test::RecordedBoxes boxes;
  BrowserScript script{&network};
  g_script = &script;
  ::SetTimer(nullptr, 0, 50, ChooseHost);
  form.cmdButtonBrowse_Click(network);
  ASSERT_TRUE(script.ran);
  EXPECT_EQ(g_targetComputerName, "HOST");
  EXPECT_EQ(test::ItemText(form.window(), IDL_lblComputerName), "HOST");
  EXPECT_EQ(boxes.texts, std::vector<std::string>{"ジョブの一覧と登録の対象は、このコンピュータ（" +
                                                  LocalComputerName() + "）です。"});
}

}  // namespace
}  // namespace zq
