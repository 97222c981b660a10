// A stand-in Schedule service: jobs in memory, served in pages of a chosen size with status
// 234 between them; adds and deletes can be refused; calls are counted.
#pragma once

#include <algorithm>
#include <map>

#include "console/jobs/basScheduleJob.h"

namespace zq::testing {

class FakeJobStore : public JobStore {
 public:
  std::vector<JobRecord> jobs;
  std::size_t pageSize = 1000;
  std::uint32_t failEnumerateOnCall = 0;  // that call (1-based) fails with failStatus
  std::uint32_t failStatus = 1753;
  bool endlessMoreData = false;  // answer 234 for ever without moving on
  std::uint32_t refuseAdd = 0, refuseDelete = 0;
  std::uint32_t nextId = 1;
  int enumerateCalls = 0;

  Page Enumerate(std::uint32_t& resume) override {
    ++enumerateCalls;
    if (failEnumerateOnCall == static_cast<std::uint32_t>(enumerateCalls)) return {failStatus, {}};
    if (endlessMoreData) return {kMoreData, {}};
    Page page;
    const std::size_t end = std::min(jobs.size(), std::size_t{resume} + pageSize);
    page.jobs.assign(jobs.begin() + resume, jobs.begin() + end);
    resume = static_cast<std::uint32_t>(end);
    page.status = end < jobs.size() ? kMoreData : 0;
    return page;
  }
  std::uint32_t Add(const JobSpec& job, std::uint32_t& id) override {
    if (refuseAdd) return refuseAdd;
    id = nextId++;
    jobs.push_back({id, job});
    return 0;
  }
  std::uint32_t Delete(std::uint32_t id) override {
    if (refuseDelete) return refuseDelete;
    const auto before = jobs.size();
    std::erase_if(jobs, [id](const JobRecord& r) { return r.id == id; });
    return jobs.size() < before ? 0 : 3806;  // the service's "job not found"
  }
  std::string ErrorText(std::uint32_t status) override {
    return status == 1753
               ? "エンドポイント マッパーから利用できるエンドポイントはこれ以上ありません。"
               : "";
  }
};

}  // namespace zq::testing
