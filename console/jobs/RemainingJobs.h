// The console's jobs that remain when the programs are removed: which they are, and the
// question the uninstaller's run of the console asks. Portable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "console/jobs/basScheduleJob.h"

namespace zq {

// The switch with which the uninstaller starts the console for them.
inline constexpr char kRemainingJobsSwitch[] = "/remainingjobs";

// True when `commandLine` holds kRemainingJobsSwitch (in any case).
bool AsksForRemainingJobs(std::string_view commandLine);

// The console's jobs among `listed`: report jobs, whose batch file lies in `workDirectory`,
// and (for the console's own task folder, `ownFolder`) every task the console wrote.
std::vector<JobRecord> RemainingJobs(const std::vector<JobRecord>& listed,
                                     std::string_view workDirectory, bool ownFolder);

// The question for `jobs` (at most 20 listed by id and command, then how many more).
std::string RemainingJobsQuestion(const std::vector<JobRecord>& jobs);

}  // namespace zq
