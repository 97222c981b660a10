// Scheduled jobs as Task Scheduler 2.0 tasks: the console's own in the folder \zq, named
// zq-N (N is the job id shown), and the AT-style tasks At1, At2... of the root folder (listed
// with ids from kAtTaskIdBase, deletable). The service is reached only through COM, so the
// program starts on systems without it. Windows only.
#pragma once

#include <taskschd.h>

#include <cstdint>
#include <string>

#include "console/Clock.h"
#include "console/jobs/basScheduleJob.h"

namespace zq {

inline constexpr std::uint32_t kAtTaskIdBase = 1000000;

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

 private:
  std::uint32_t ListFolder(const wchar_t* path, bool own, std::vector<JobRecord>& jobs);

  const Clock& clock_;
  bool comStarted_ = false;
  ITaskService* service_ = nullptr;
  std::uint32_t status_ = 0;
};

}  // namespace zq
