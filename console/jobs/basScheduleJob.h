// The Schedule service's jobs as the console sees them: records, the listing over the job
// store seam (the service of the local computer; a fake in tests), the texts of a job row
// and the messages of adding and deleting. Portable; basScheduleJob_win.cpp implements the
// store with the service's AT calls.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace zq {

inline constexpr std::uint8_t kJobRunPeriodically = 0x01;
inline constexpr std::uint8_t kJobExecError = 0x02;
inline constexpr std::uint8_t kJobNonInteractive = 0x10;
inline constexpr std::uint32_t kMoreData = 234;

// A job to add: time of day in milliseconds after midnight, day masks (bit n-1 = day n of
// the month; bit 0 = Monday ... bit 6 = Sunday), flag bits, the command line.
struct JobSpec {
  std::uint32_t jobTime = 0;
  std::uint32_t daysOfMonth = 0;
  std::uint8_t daysOfWeek = 0;
  std::uint8_t flags = 0;
  std::string command;
  bool operator==(const JobSpec&) const = default;
};

// A listed job: its identifier and what it was added with.
struct JobRecord {
  std::uint32_t id = 0;
  JobSpec job;
  bool foreign = false;  // in the console's folder, but not written by the console
};

// Task Scheduler ids: the console's own tasks are numbered zq-1 to zq-kMaxTaskNumber,
// AT-style tasks listed from kAtTaskIdBase, foreign tasks of its folder from kForeignTaskIdBase.
inline constexpr std::uint32_t kMaxTaskNumber = 99999;
inline constexpr std::uint32_t kAtTaskIdBase = 1000000;
inline constexpr std::uint32_t kForeignTaskIdBase = 2000000;

// A job store's status for a command whose program cannot be found.
inline constexpr std::uint32_t kProgramNotFound = 0xE0000002;
// A job store's status when the scheduler did not answer in time.
inline constexpr std::uint32_t kStoreNotAnswering = 0xE0000003;

// The scheduled jobs of the local computer: the Schedule service's AT jobs, or Task
// Scheduler 2.0 tasks. Statuses are the store's (0 = success).
class JobStore {
 public:
  struct Page {
    std::uint32_t status = 0;  // 0 complete, kMoreData more remain, else a failure
    std::vector<JobRecord> jobs;
  };
  virtual ~JobStore() = default;
  // One enumeration call from `resume`, which the call moves on.
  virtual Page Enumerate(std::uint32_t& resume) = 0;
  virtual std::uint32_t Add(const JobSpec& job, std::uint32_t& id) = 0;
  virtual std::uint32_t Delete(std::uint32_t id) = 0;
  // The text for a status; "" when the platform has none.
  virtual std::string ErrorText(std::uint32_t status) = 0;
  // Which scheduler this is, for the status bar ("" for none to show).
  virtual std::string Name() const { return {}; }
  // Whether the store keeps the console's jobs in a folder of their own (Task Scheduler).
  virtual bool HasOwnFolder() const { return false; }
};

// Which scheduler the console uses: chosen by the system, or forced by a command-line switch
// ("/scheduler:task" or "/scheduler:at", in any case).
enum class SchedulerChoice { kAuto, kTask, kAt };
SchedulerChoice SchedulerSwitch(std::string_view commandLine);

// AT statuses that mean the AT interface is switched off or cannot answer here.
bool IsAtUnavailable(std::uint32_t status);

// Lists every job, page by page, in the service's order. Returns 0 when the listing ended,
// or the status that stopped it (the jobs before it were handed over). A page answering
// kMoreData with no job or without moving the resume handle ends the listing.
std::uint32_t ListJobs(JobStore& store, const std::function<void(const JobRecord&)>& each);

// The number of the console's next task: one above the highest of `own`, passing over
// `taken` (every number a task name of the folder holds, whoever wrote it); once that would
// pass `max`, the lowest number not taken; 0 when every number is taken.
std::uint32_t NextTaskNumber(const std::set<std::uint32_t>& own,
                             const std::set<std::uint32_t>& taken, std::uint32_t max);

// The seven columns of a job row: state ("外部" for a foreign task), id, kind, day text, time,
// interactive, command.
std::array<std::string, 7> JobRowTexts(const JobRecord& record);

// The error text of a status, never empty: "エラーコード: " + the code without a text.
std::string NetErrorLine(std::uint32_t status, const std::string& platformText);

std::string JobAddedText(std::uint32_t id);
std::string JobAddRefusedText(const std::string& errorLine);
std::string JobDeleteQuestion(std::uint32_t id);
std::string JobDeleteRefusedText(std::uint32_t id, const std::string& errorLine);

}  // namespace zq
