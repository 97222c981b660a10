// Task Scheduler 2.0 behind the job store, on the service Wine gives: the folder made on the
// first add, a weekly report job registered from its definition, found again by name and
// deleted once, a missing folder; a forced choice of scheduler.
#include "console/jobs/TaskJobStore_win.h"

#include <gtest/gtest.h>

#include <optional>

#include "console/jobs/JobStoreChoice_win.h"

namespace zq {
namespace {

struct FixedClock : Clock {
  LocalTime Now() const override { return {2026, 12, 7, 9, 0, 0}; }
};

std::optional<JobRecord> Find(JobStore& store, std::uint32_t id) {
  std::optional<JobRecord> found;
  EXPECT_EQ(ListJobs(store,
                     [&](const JobRecord& r) {
                       if (r.id == id) found = r;
                     }),
            0u);
  return found;
}

TEST(TaskJobStore, AddFindAndDeleteInItsOwnFolder) {
  FixedClock clock;
  TaskJobStore store(clock);
  ASSERT_TRUE(store.connected()) << store.ErrorText(store.status());
  const JobSpec job{3 * 3600000, 0, 0x01, kJobRunPeriodically | kJobNonInteractive,
                    "\"C:\\zq 週報\\CMD\\061207030000.CMD\""};
  std::uint32_t first = 0, second = 0;
  ASSERT_EQ(store.Add(job, first), 0u);
  ASSERT_EQ(store.Add(job, second), 0u);
  EXPECT_EQ(second, first + 1) << "numbers follow the highest one in use";
  EXPECT_TRUE(Find(store, first));
  EXPECT_EQ(store.Delete(first), 0u);
  EXPECT_FALSE(Find(store, first));
  EXPECT_NE(store.Delete(first), 0u) << "a task that is gone cannot be deleted";
  EXPECT_FALSE(store.ErrorText(store.Delete(first)).empty());
  EXPECT_TRUE(Find(store, second)) << "exactly one task was deleted";
  EXPECT_EQ(store.Delete(second), 0u);

  // Without its folder the store lists nothing and deletes nothing.
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) >= 0, true);
  ITaskService* service = nullptr;
  ASSERT_EQ(::CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                               __uuidof(ITaskService), reinterpret_cast<void**>(&service)),
            S_OK);
  VARIANT none;
  ::VariantInit(&none);
  ITaskFolder* root = nullptr;
  BSTR rootPath = ::SysAllocString(L"\\");
  BSTR name = ::SysAllocString(L"zq");
  if (SUCCEEDED(service->Connect(none, none, none, none)) &&
      SUCCEEDED(service->GetFolder(rootPath, &root))) {
    EXPECT_EQ(root->DeleteFolder(name, 0), S_OK);
    root->Release();
  }
  ::SysFreeString(rootPath);
  ::SysFreeString(name);
  service->Release();
  ::CoUninitialize();
  std::uint32_t resume = 0;
  const JobStore::Page page = store.Enumerate(resume);
  EXPECT_EQ(page.status, 0u);
  EXPECT_TRUE(page.jobs.empty());
  EXPECT_NE(store.Delete(first), 0u);
}

TEST(TaskJobStore, AForcedChoice) {
  FixedClock clock;
  EXPECT_EQ(ChooseJobStore(SchedulerChoice::kTask, clock)->Name(), TaskJobStore(clock).Name());
  EXPECT_EQ(ChooseJobStore(SchedulerChoice::kAt, clock)->Name(), "AT（Schedule サービス）");
  EXPECT_EQ(SchedulerSwitch("zqTervask.exe /Scheduler:AT"), SchedulerChoice::kAt);
}

}  // namespace
}  // namespace zq
