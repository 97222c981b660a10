// The Win32 lookups of the event-log section under Wine: category texts through a message
// DLL registered under the EventLog key, and account names.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "common/UniqueHandle.h"
#include "sender/basNTEventLog.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

constexpr char kSourcesKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\";

// Test event sources registered for one test and removed afterwards.
class RegisteredSources : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string program = test::BesideTestProgram("zq_categories.dll");
    const std::string dir = program.substr(0, program.rfind('\\'));
    ASSERT_TRUE(::SetEnvironmentVariableA("ZQ_TEST_BIN", dir.c_str()));
    ASSERT_TRUE(::SetEnvironmentVariableA("ZQ_TEST_DLL", "zq_categories.dll"));
    Register("zqTestSource", "%ZQ_TEST_BIN%\\zq_categories.dll");
    Register("zqTestTwoRefs", "%ZQ_TEST_BIN%\\%ZQ_TEST_DLL%");
    Register("zqTestNoCategory", nullptr);
  }
  void TearDown() override {
    for (const char* name : {"zqTestSource", "zqTestTwoRefs", "zqTestNoCategory"}) {
      ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kSourcesKey) + name).c_str());
    }
  }
  static void Register(const char* source, const char* categoryFile) {
    HKEY created = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kSourcesKey) + source).c_str(), 0,
                                nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    UniqueRegKey key(created);
    if (categoryFile == nullptr) return;
    ASSERT_EQ(::RegSetValueExA(key.get(), "CategoryMessageFile", 0, REG_EXPAND_SZ,
                               reinterpret_cast<const BYTE*>(categoryFile),
                               static_cast<DWORD>(std::strlen(categoryFile) + 1)),
              ERROR_SUCCESS);
  }
};

// A category's text as the section finds it: the registered file, loaded as data.
std::string CategoryTextOf(EventLogPlatform& platform, const char* source, std::uint32_t category) {
  const std::string path = platform.CategoryMessageFile("Application", source);
  const EventLogPlatform::Module module = path.empty() ? 0 : platform.LoadMessageModule(path);
  if (module == 0) return {};
  std::string text = platform.ModuleMessageText(module, category);
  platform.FreeMessageModule(module);
  return text;
}

TEST_F(RegisteredSources, CategoryTextsThroughTheRegisteredMessageFile) {
  const auto platform = MakeWin32EventLog();
  const std::pair<const char*, std::uint32_t> lookups[] = {
      {"zqTestSource", 1}, {"zqTestSource", 2}, {"zqTestSource", 3},     {"zqTestTwoRefs", 1},
      {"zqTestSource", 0}, {"zqTestSource", 9}, {"zqTestNoCategory", 1}, {"zqNoSuchSource", 1}};
  const char* expected[] = {
      "ディスク\r\n", "二行の\r\n分類\r\n", "挿入 %1 あり\r\n", "ディスク\r\n", "", "", "", ""};
  for (std::size_t i = 0; i < std::size(lookups); ++i) {
    EXPECT_EQ(CategoryTextOf(*platform, lookups[i].first, lookups[i].second), expected[i])
        << lookups[i].first << " " << lookups[i].second;
  }
  EXPECT_EQ(CategoryColumn(CategoryTextOf(*platform, "zqTestSource", 2)), "二行の分類");
  EXPECT_EQ(platform->LoadMessageModule("zq_no_such_module.dll"), 0u);
}

TEST(AccountLookup, WellKnownAndUnknownSids) {
  const std::vector<std::uint8_t> localSystem = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
  std::string name;
  ASSERT_TRUE(LookupAccountName("", localSystem, name));
  EXPECT_EQ(name, "SYSTEM");
  const std::vector<std::uint8_t> unknown = {1, 2, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0x39, 0x30, 0, 0};
  EXPECT_FALSE(LookupAccountName("", unknown, name));
  EXPECT_FALSE(LookupAccountName("", std::vector<std::uint8_t>{1, 5, 0}, name));
}

}  // namespace
}  // namespace zq
