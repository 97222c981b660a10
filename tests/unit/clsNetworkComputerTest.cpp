// The network tree through a fake enumeration: lazy and cached, growth after 234, an error
// half-way, an open that fails and then succeeds, duplicates, names of any length.
#include <gtest/gtest.h>

#include "tests/support/FakeNetwork.h"

namespace zq {
namespace {

using testing::FakeNetwork;
using testing::Resource;

std::vector<std::string> Names(const clsNetworkComputers& list) {
  std::vector<std::string> names;
  for (const auto& item : list) names.push_back(item->RemoteName());
  return names;
}

TEST(NetworkTree, LazyCachedInOrderWithoutDuplicates) {
  FakeNetwork network;
  const std::string longName = "\\\\" + std::string(300, 'N');
  network.children[""] = {Resource("Microsoft Windows Network", 6)};
  network.children["Microsoft Windows Network"] = {Resource("WORKGROUP", 1),
                                                   Resource("workgroup", 1), Resource("DOMAIN", 1)};
  network.children["WORKGROUP"] = {Resource("\\\\HOST", 2), Resource(longName, 2),
                                   Resource("\\\\表示", 2)};
  network.children["DOMAIN"] = {Resource("\\\\HOST", 2)};
  network.needBytes = 4096;
  clsNetworkComputer top(network);
  EXPECT_EQ(network.opens, 0) << "nothing is enumerated before it is asked for";
  clsNetworkComputer* provider = top.Children().Item(1);
  ASSERT_TRUE(provider);
  EXPECT_EQ(Names(provider->Children()), (std::vector<std::string>{"WORKGROUP", "DOMAIN"}));
  clsNetworkComputer* workgroup = provider->Children().Item("workgroup");
  ASSERT_TRUE(workgroup);
  const auto& servers = workgroup->Children();
  ASSERT_EQ(servers.Count(), 3u);
  EXPECT_EQ(servers.Item(2)->ShortName(), std::string(300, 'N'));
  EXPECT_EQ(servers.Item(3)->ShortName(), "表示");
  EXPECT_EQ(servers.Item(1)->ResourceTypeName(), "Server");
  EXPECT_EQ(provider->Children().Item("DOMAIN")->Children().Item(1)->RemoteName(), "\\\\HOST")
      << "the same name under two parents";
  const int opens = network.opens;
  workgroup->Children();
  top.Children();
  EXPECT_EQ(network.opens, opens) << "each level is enumerated once";
  EXPECT_EQ(network.closes, network.opens);
  EXPECT_EQ(servers.Item("\\\\NOBODY"), nullptr);
  EXPECT_EQ(servers.Item(std::size_t{4}), nullptr);
}

TEST(NetworkTree, FailuresKeepWhatWasReadAndOpenAgainLater) {
  FakeNetwork network;
  network.children[""] = {Resource("A", 6), Resource("B", 6), Resource("C", 6), Resource("D", 6)};
  network.failOpens = 1;
  clsNetworkComputer top(network);
  EXPECT_EQ(top.Children().Count(), 0u);
  EXPECT_FALSE(top.ChildrenLoaded());
  network.errorAfterReads = 1;  // the second read fails: the first two stay
  EXPECT_EQ(Names(top.Children()), (std::vector<std::string>{"A", "B"}));
  EXPECT_TRUE(top.ChildrenLoaded());
  EXPECT_EQ(network.opens, 2);

  FakeNetwork stuck;  // 234 without asking for more room ends the listing
  stuck.children[""] = {Resource("A", 6)};
  stuck.needBytes = 1 << 30;
  clsNetworkComputer grows(stuck);
  EXPECT_EQ(grows.Children().Count(), 1u);
}

TEST(NetworkTree, ShortNames) {
  FakeNetwork network;
  EXPECT_EQ(clsNetworkComputer(network, Resource("SERVER", 2)).ShortName(), "SERVER");
  EXPECT_EQ(clsNetworkComputer(network, Resource("\\\\ソ", 2)).ShortName(), "ソ");  // trail 0x5C
}

}  // namespace
}  // namespace zq
