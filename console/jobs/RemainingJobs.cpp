// Jobs left behind by an uninstall.
#include "console/jobs/RemainingJobs.h"

#include "common/Cp932.h"

namespace zq {

bool AsksForRemainingJobs(std::string_view commandLine) {
  return Cp932AsciiUpper(commandLine).find(Cp932AsciiUpper(kRemainingJobsSwitch)) !=
         std::string::npos;
}

std::vector<JobRecord> RemainingJobs(const std::vector<JobRecord>& listed,
                                     std::string_view workDirectory, bool ownFolder) {
  const std::string prefix = Cp932AsciiUpper("\"" + std::string(workDirectory) + "\\");
  std::vector<JobRecord> jobs;
  for (const JobRecord& record : listed) {
    const bool report = Cp932AsciiUpper(record.job.command).rfind(prefix, 0) == 0;
    const bool own = ownFolder && !record.foreign && record.id < kForeignTaskIdBase &&
                     record.id < kAtTaskIdBase;
    if (report || own) jobs.push_back(record);
  }
  return jobs;
}

std::string RemainingJobsQuestion(const std::vector<JobRecord>& jobs) {
  constexpr std::size_t kShown = 20;
  std::string text = "zq のジョブが " + std::to_string(jobs.size()) + " 件登録されています。\r\n\r\n";
  for (std::size_t i = 0; i < jobs.size() && i < kShown; ++i) {
    text += "ジョブ" + std::to_string(jobs[i].id) + ": " + jobs[i].job.command + "\r\n";
  }
  if (jobs.size() > kShown) text += "ほか " + std::to_string(jobs.size() - kShown) + " 件\r\n";
  text +=
      "\r\nプログラムを削除した後も、残したジョブはこのフォルダのファイルを使おうとします。"
      "\r\nこれらのジョブを削除しますか？";
  return text;
}

}  // namespace zq
