// A job store served by a thread of its own, so a scheduler that does not answer never holds
// the console's window: the store is made on that thread (connecting and probing can block
// for minutes), and every call waits at most a bound, serving this thread's windows
// meanwhile. Windows only.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "console/jobs/basScheduleJob.h"

namespace zq {

class BoundedJobStore final : public JobStore {
 public:
  using Factory = std::function<std::unique_ptr<JobStore>()>;
  // `make` runs on the store's thread; each call waits at most `boundMs` for an answer.
  BoundedJobStore(Factory make, DWORD boundMs);
  // Leaves a store that still has not answered to end with its thread.
  ~BoundedJobStore() override;
  BoundedJobStore(const BoundedJobStore&) = delete;
  BoundedJobStore& operator=(const BoundedJobStore&) = delete;

  // A call that did not come back in time answers kStoreNotAnswering, and every later call
  // answers it at once until that call has come back.
  Page Enumerate(std::uint32_t& resume) override;
  std::uint32_t Add(const JobSpec& job, std::uint32_t& id) override;
  std::uint32_t Delete(std::uint32_t id) override;
  std::string ErrorText(std::uint32_t status) override;
  // The store's name once it has been made; "" before.
  std::string Name() const override;
  bool HasOwnFolder() const override;

  struct Shared;

 private:
  bool Call(int kind, const std::function<void(Shared&)>& fill);

  std::shared_ptr<Shared> shared_;
  DWORD boundMs_;
};

}  // namespace zq
