// Scheduled jobs as Task Scheduler 2.0 tasks: the console's own in the folder \zq (made
// admin-only), named zq-N (N is the job id shown), other tasks of that folder marked as
// foreign, and the AT-style tasks At1, At2... of the root folder (listed with ids from
// kAtTaskIdBase, deletable). The service is reached only through COM, so the
// program starts on systems without it. Windows only.
#pragma once

#include <taskschd.h>

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "console/Clock.h"
#include "console/jobs/CommandLine.h"
#include "console/jobs/basScheduleJob.h"

namespace zq {


// The program and arguments a task gets for `command`: found on this computer as a process
// start finds an unquoted program; nothing when no prefix names one.
std::optional<CommandParts> TaskProgramOf(const std::string& command);

class TaskJobStore final : public JobStore {
 public:
  explicit TaskJobStore(const Clock& clock);
  ~TaskJobStore() override;
  TaskJobStore(const TaskJobStore&) = delete;
  TaskJobStore& operator=(const TaskJobStore&) = delete;

  // The service was created and connected; otherwise every call answers status().
  bool connected() const { return service_ != nullptr; }
  std::uint32_t status() const { return status_; }

  Page Enumerate(std::uint32_t& resume) override;
  std::uint32_t Add(const JobSpec& job, std::uint32_t& id) override;
  std::uint32_t Delete(std::uint32_t id) override;
  std::string ErrorText(std::uint32_t status) override;
  std::string Name() const override { return "タスク スケジューラ（\\zq）"; }
  bool HasOwnFolder() const override { return true; }

 private:
  std::uint32_t ListFolder(const wchar_t* path, bool own, std::vector<JobRecord>& jobs);
  void Take(IRegisteredTask* task, const std::wstring& name, bool own,
            std::vector<JobRecord>& jobs);
  void ProbeOwnTasks(ITaskFolder* folder, std::vector<JobRecord>& jobs);

  const Clock& clock_;
  std::map<std::uint32_t, std::wstring> foreignNames_;  // of the last listing, by id
  std::set<std::uint32_t> taken_;                       // numbers of names zq-N in the folder
  bool comStarted_ = false;
  ITaskService* service_ = nullptr;
  std::uint32_t status_ = 0;
};

}  // namespace zq
