// Job listing, row texts and messages.
#include "console/jobs/basScheduleJob.h"

#include <cstdio>

namespace zq {

std::uint32_t ListJobs(JobStore& store, const std::function<void(const JobRecord&)>& each) {
  std::uint32_t resume = 0;
  for (;;) {
    const std::uint32_t before = resume;
    const JobStore::Page page = store.Enumerate(resume);
    if (page.status != 0 && page.status != kMoreData) return page.status;
    for (const JobRecord& record : page.jobs) each(record);
    // A service that answers "more" without giving any or without moving on would be asked
    // for ever.
    if (page.status == 0 || page.jobs.empty() || resume == before) return 0;
  }
}

std::uint32_t NextTaskNumber(const std::set<std::uint32_t>& own,
                             const std::set<std::uint32_t>& taken, std::uint32_t max) {
  std::uint32_t next = own.empty() ? 1 : *own.rbegin() + 1;
  while (next <= max && taken.count(next)) ++next;
  if (next <= max) return next;
  for (next = 1; next <= max; ++next) {
    if (!taken.count(next)) return next;
  }
  return 0;
}

std::array<std::string, 7> JobRowTexts(const JobRecord& record) {
  static constexpr const char* kWeekdays[] = {"月", "火", "水", "木", "金", "土", "日"};
  const JobSpec& job = record.job;
  std::string days;
  for (int day = 1; day <= 31; ++day) {
    if (job.daysOfMonth & (1u << (day - 1))) days += std::to_string(day) + " ";
  }
  for (int weekday = 0; weekday < 7; ++weekday) {
    if (job.daysOfWeek & (1u << weekday)) days += std::string(kWeekdays[weekday]) + " ";
  }
  const std::uint32_t seconds = job.jobTime / 1000;
  char time[16];
  std::snprintf(time, sizeof time, "%02u:%02u", static_cast<unsigned>(seconds / 3600 % 24),
                static_cast<unsigned>(seconds / 60 % 60));
  const char* state = record.foreign ? "外部" : (job.flags & kJobExecError) ? "エラー" : "OK";
  return {state,
          std::to_string(record.id),
          (job.flags & kJobRunPeriodically) ? "毎" : "次",
          days,
          time,
          (job.flags & kJobNonInteractive) ? "No" : "Yes",
          job.command};
}

std::string NetErrorLine(std::uint32_t status, const std::string& platformText) {
  return platformText.empty() ? "エラーコード: " + std::to_string(status) : platformText;
}

std::string JobAddedText(std::uint32_t id) {
  return "ジョブ" + std::to_string(id) + "を追加しました。";
}

std::string JobAddRefusedText(const std::string& errorLine) {
  return "ジョブを追加できませんでした。\r\n" + errorLine;
}

std::string JobDeleteQuestion(std::uint32_t id) {
  return "ジョブ" + std::to_string(id) + "を削除しますか？";
}

std::string JobDeleteRefusedText(std::uint32_t id, const std::string& errorLine) {
  return "ジョブ" + std::to_string(id) + "を削除できませんでした。\r\n" + errorLine;
}

SchedulerChoice SchedulerSwitch(std::string_view commandLine) {
  std::string lower(commandLine);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (lower.find("/scheduler:task") != std::string::npos) return SchedulerChoice::kTask;
  if (lower.find("/scheduler:at") != std::string::npos) return SchedulerChoice::kAt;
  return SchedulerChoice::kAuto;
}

bool IsAtUnavailable(std::uint32_t status) {
  for (const std::uint32_t off : {50u, 5u, 120u, 1722u, 1753u, 2184u}) {
    if (status == off) return true;
  }
  return false;
}

}  // namespace zq
