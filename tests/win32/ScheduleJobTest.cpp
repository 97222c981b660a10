// The Schedule service of the Wine prefix through the AT calls: add, list, delete round trip
// with a Japanese command of 300 characters. The service keeps only ids and commands, so
// fields and paging are tested through the fake.
#include "console/jobs/basScheduleJob_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <optional>

namespace zq {
namespace {

// The listed job with this command, if any (tests run in parallel: each has its own).
std::optional<JobRecord> FindJob(JobStore& store, const std::string& command) {
  std::optional<JobRecord> found;
  EXPECT_EQ(ListJobs(store,
                     [&](const JobRecord& r) {
                       if (r.job.command == command) found = r;
                     }),
            0u);
  return found;
}

TEST(ScheduleService, AddListDeleteRoundTrip) {
  ServiceJobStore store;
  std::string command = "\"C:\\zq test\\週報.bat\" ";
  while (command.size() < 300) command += "表";  // trail byte 0x5C
  std::uint32_t id = 0;
  ASSERT_EQ(store.Add({30600000, 0, 0x11, kJobNonInteractive, command}, id), 0u);
  const auto listed = FindJob(store, command);
  ASSERT_TRUE(listed) << "the command comes back whole";
  EXPECT_EQ(listed->id, id);
  EXPECT_EQ(store.Delete(id), 0u);
  EXPECT_FALSE(FindJob(store, command));
  EXPECT_NE(store.Delete(id), 0u) << "a job that is gone cannot be deleted";
}

}  // namespace
}  // namespace zq
