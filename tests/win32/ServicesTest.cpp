// The service section against Wine's real service manager: no service lost to a small
// buffer, and a failed enumeration said under the heading.
#include <gtest/gtest.h>
#include <windows.h>

#include "common/PlatformText.h"
#include "sender/basNTServices.h"
#include "tests/win32/TempDir.h"

namespace zq {
namespace {

std::vector<std::string> Enumerate(std::int32_t filter, std::size_t bufferBytes) {
  std::vector<std::string> lines;
  const ServiceFailure failure =
      EnumerateServices("", filter, bufferBytes, [&](const ServiceRecord& s) {
        lines.push_back(ServiceLine(s.name, s.state, s.displayName));
      });
  EXPECT_EQ(failure.what, "");
  return lines;
}

TEST(Services, ASmallBufferLosesNoService) {
  const auto whole = Enumerate(3, 64 * 1024);
  ASSERT_GE(whole.size(), 3u);
  for (const std::size_t bytes : {1u, 100u, 400u, 1000u})
    EXPECT_EQ(Enumerate(3, bytes), whole) << bytes;
}

TEST(Services, AFailedEnumerationSaysSoUnderTheHeading) {
  test::TempDir dir;
  const std::string path = dir.File("r.log");
  ReportLog log;
  ASSERT_TRUE(log.OpenForAppend(path));
  WriteServiceSection(log, "", 0);  // a state filter the manager refuses
  ASSERT_TRUE(log.Close());
  const std::string text = test::ReadFileBytes(path);
  ASSERT_EQ(text.rfind(ServiceSectionHeading(), 0), 0u);
  EXPECT_EQ(text.substr(ServiceSectionHeading().size()),
            SectionFailureLine("サービスの一覧を取得できません", ERROR_INVALID_PARAMETER,
                               GetSystemErrorText(ERROR_INVALID_PARAMETER)));
}

}  // namespace
}  // namespace zq
