// The Schedule service of the local computer through its AT calls (netapi32). Every call
// first checks through the service manager that the service runs: a stopped service would
// make the AT calls raise instead of returning a status. Windows only.
#pragma once

#include <cstdint>
#include <string>

#include "console/jobs/basScheduleJob.h"

namespace zq {

class ServiceJobStore final : public JobStore {
 public:
  // `service` is the service whose state is checked first (the Schedule service).
  explicit ServiceJobStore(std::string service = "Schedule") : service_(std::move(service)) {}
  Page Enumerate(std::uint32_t& resume) override;
  std::uint32_t Add(const JobSpec& job, std::uint32_t& id) override;
  std::uint32_t Delete(std::uint32_t id) override;
  std::string ErrorText(std::uint32_t status) override;
  std::string Name() const override { return "AT（Schedule サービス）"; }

 private:
  std::string service_;
};

// One line of the platform's text for a status (network statuses 2100-2999 from NETMSG.DLL;
// 0: the thread's last error); "" when there is none.
std::string GetNetErrorText(std::uint32_t status);

}  // namespace zq
