// Task Scheduler 2.0 behind the job store, on the service Wine gives: the folder made on the
// first add, a weekly report job registered from its definition, found again by name and
// deleted once, a missing folder; a forced choice of scheduler.
#include "console/jobs/TaskJobStore_win.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "common/PlatformText.h"
#include "console/jobs/JobStoreChoice_win.h"
#include "console/jobs/TaskXml.h"
#include "console/jobs/basScheduleJob_win.h"
#include "tests/win32/TempDir.h"

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

// The service's own COM objects, for what the store does not do itself.
class Service {
 public:
  Service() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    VARIANT none;
    ::VariantInit(&none);
    if (SUCCEEDED(::CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(ITaskService),
                                     reinterpret_cast<void**>(&service_)))) {
      service_->Connect(none, none, none, none);
    }
  }
  ~Service() {
    if (folder_) folder_->Release();
    if (service_) service_->Release();
    ::CoUninitialize();
  }
  ITaskFolder* Folder() {
    BSTR path = ::SysAllocString(L"\\zq");
    if (!folder_ && service_) service_->GetFolder(path, &folder_);
    ::SysFreeString(path);
    return folder_;
  }
  // Registers `xml` as task `name` of the console's folder, as another program would.
  HRESULT Register(const wchar_t* name, const std::string& xml) {
    VARIANT none;
    ::VariantInit(&none);
    IRegisteredTask* task = nullptr;
    BSTR bName = ::SysAllocString(name);
    const std::wstring wide = WideOfAnsi(xml);
    BSTR bXml = ::SysAllocString(wide.c_str());
    const HRESULT hr = Folder()->RegisterTask(bName, bXml, TASK_CREATE, none, none,
                                              TASK_LOGON_INTERACTIVE_TOKEN, none, &task);
    ::SysFreeString(bName);
    ::SysFreeString(bXml);
    if (task) task->Release();
    return hr;
  }
  void Remove(const wchar_t* name) {
    BSTR bName = ::SysAllocString(name);
    if (Folder()) Folder()->DeleteTask(bName, 0);
    ::SysFreeString(bName);
  }

 private:
  ITaskService* service_ = nullptr;
  ITaskFolder* folder_ = nullptr;
};

// A task another program put into the console's folder, even under a console-like name, is
// listed as foreign and never numbers the console's own.
TEST(TaskJobStore, ForeignTasksAreMarkedAndNeverCounted) {
  FixedClock clock;
  TaskJobStore store(clock);
  std::uint32_t first = 0;
  const JobSpec job{3 * 3600000, 0, 0x01, kJobRunPeriodically, "notepad.exe"};
  ASSERT_EQ(store.Add(job, first), 0u);  // makes the folder
  Service service;
  const std::wstring besideFirst = L"zq-" + std::to_wstring(first + 1);
  for (const std::wstring& name : {std::wstring(L"zq-999999"), besideFirst}) {
    service.Remove(name.c_str());
  }
  std::string foreign = TaskXmlOf(job, {"notepad.exe", ""}, clock.Now());
  foreign.replace(foreign.find("<Description>zqTervask"), 22, "<Description>backup");
  ASSERT_EQ(service.Register(L"zq-999999", foreign), S_OK);
  ASSERT_EQ(service.Register(besideFirst.c_str(), foreign), S_OK);
  std::uint32_t second = 0, third = 0;
  ASSERT_EQ(store.Add(job, second), 0u);
  ASSERT_EQ(store.Add(job, third), 0u);
  EXPECT_EQ(second, first + 2) << "a foreign zq-N is passed over, zq-999999 does not count";
  EXPECT_EQ(third, second + 1);
  std::vector<JobRecord> foreignRows;
  ASSERT_EQ(ListJobs(store,
                     [&](const JobRecord& r) {
                       if (r.foreign) foreignRows.push_back(r);
                     }),
            0u);
  // Wine's service cannot enumerate a folder: tasks are found by their numbers there.
  ASSERT_GE(foreignRows.size(), 1u);
  for (const JobRecord& row : foreignRows) {
    EXPECT_GE(row.id, kForeignTaskIdBase);
    EXPECT_EQ(store.Delete(row.id), 0u) << "a foreign task is deleted by its own name";
  }
  service.Remove(L"zq-999999");
  for (const std::uint32_t id : {first, second, third}) {
    EXPECT_TRUE(Find(store, id)) << id;
    EXPECT_EQ(store.Delete(id), 0u);
  }
}

// An unquoted program path with blanks starts that program; one that is nowhere is refused.
// Wine's service keeps no action of a registered task, so the program the store hands over is
// started here as the service would start it.
TEST(TaskJobStore, AnUnquotedProgramWithBlanksIsFoundAsTheSystemFindsIt) {
  test::TempDir dir;  // its name holds a blank
  const std::string tool = dir.File("tool.exe");
  ASSERT_TRUE(::CopyFileA(test::BesideTestProgram("zq_sleeper.exe").c_str(), tool.c_str(), TRUE));
  EXPECT_EQ(TaskProgramOf(tool + " 0 x"), (CommandParts{tool, "0 x"}));
  EXPECT_EQ(TaskProgramOf(dir.File("tool") + " 0"), (CommandParts{tool, "0"}));
  EXPECT_EQ(TaskProgramOf("cmd /c exit"), (CommandParts{"cmd.exe", "/c exit"}));
  const std::optional<CommandParts> action = TaskProgramOf(tool);
  ASSERT_EQ(action, (CommandParts{tool, ""}));
  std::string line = "\"" + action->file + "\"";
  STARTUPINFOA startup{sizeof startup};
  PROCESS_INFORMATION started{};
  ASSERT_TRUE(::CreateProcessA(action->file.c_str(), line.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, dir.path().c_str(), &startup, &started));
  ::WaitForSingleObject(started.hProcess, 10000);
  ::CloseHandle(started.hProcess);
  ::CloseHandle(started.hThread);
  EXPECT_NE(::GetFileAttributesA((tool + ".started").c_str()), INVALID_FILE_ATTRIBUTES);

  FixedClock clock;
  TaskJobStore store(clock);
  std::uint32_t id = 0;
  const std::uint32_t refused = store.Add({0, 0, 0x01, 0, dir.File("missing.exe") + " /x"}, id);
  EXPECT_EQ(refused, kProgramNotFound);
  EXPECT_NE(store.ErrorText(refused).find("見つかりません"), std::string::npos);
  EXPECT_EQ(store.ErrorText(store.Delete(99998)).rfind("エラーコード: 0x8", 0), 0u)
      << store.ErrorText(store.Delete(99998));
}

TEST(TaskJobStore, AForcedChoice) {
  FixedClock clock;
  EXPECT_EQ(ChooseJobStore(SchedulerChoice::kTask, clock)->Name(), TaskJobStore(clock).Name());
  EXPECT_EQ(ChooseJobStore(SchedulerChoice::kAt, clock)->Name(), "AT（Schedule サービス）");
  EXPECT_EQ(SchedulerSwitch("zqTervask.exe /Scheduler:AT"), SchedulerChoice::kAt);
}

}  // namespace
}  // namespace zq
