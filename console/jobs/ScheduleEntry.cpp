// Schedule entry decisions.
#include "console/jobs/ScheduleEntry.h"

#include <algorithm>

#include "common/Cp932.h"
#include "console/ConsoleText.h"

namespace zq {
namespace {

constexpr char kBadTime[] = "時刻のフォーマットが正しくありません！";

bool IsWeekMode(int mode) { return mode == kModeWeekly || mode == kModeWeekdaysOnce; }
bool IsDayMode(int mode) { return mode == kModeMonthly || mode == kModeDatesOnce; }

// The time box of a mode.
const std::string& TimeOf(const ScheduleInput& input) {
  if (IsWeekMode(input.mode)) return input.weekTime;
  if (IsDayMode(input.mode)) return input.dayTime;
  return input.time;
}

}  // namespace

ScheduleView ScheduleViewOf(int mode) {
  if (mode == kModeRunNow) return {ScheduleFrame::kNone, "実行(&R)"};
  if (mode == kModeOnce) return {ScheduleFrame::kTime, "登録(&R)"};
  if (IsWeekMode(mode)) return {ScheduleFrame::kWeek, "登録(&R)"};
  if (IsDayMode(mode)) return {ScheduleFrame::kDay, "登録(&R)"};
  return {};
}

ScheduleCheck ValidateSchedule(const ScheduleInput& input) {
  if (input.mode < kModeRunNow || input.mode > kModeDatesOnce) {
    return {false, "実行方法を選択してください！", ScheduleFocus::kMode};
  }
  if (input.mode == kModeRunNow) return {true};
  auto any = [](const auto& boxes) {
    return std::find(boxes.begin(), boxes.end(), true) != boxes.end();
  };
  if (IsWeekMode(input.mode) && !any(input.weekdays)) {
    return {false, "曜日を指定してください！", ScheduleFocus::kFirstWeekday};
  }
  if (IsDayMode(input.mode) && !any(input.days)) {
    return {false, "日付を指定してください！", ScheduleFocus::kFirstDay};
  }
  if (NormalizeTimeText(TimeOf(input)).empty()) {
    const ScheduleFocus focus = IsWeekMode(input.mode)  ? ScheduleFocus::kWeekTime
                                : IsDayMode(input.mode) ? ScheduleFocus::kDayTime
                                                        : ScheduleFocus::kTime;
    return {false, kBadTime, focus};
  }
  return {true};
}

JobSpec BuildJobInfo(const ScheduleInput& input, const std::string& command, bool nonInteractive) {
  JobSpec job;
  job.command = command;
  const std::string time = NormalizeTimeText(TimeOf(input));
  if (time.size() == 5) {
    const unsigned hour = static_cast<unsigned>((time[0] - '0') * 10 + (time[1] - '0'));
    const unsigned minute = static_cast<unsigned>((time[3] - '0') * 10 + (time[4] - '0'));
    job.jobTime = (hour * 3600 + minute * 60) * 1000;
  }
  if (IsWeekMode(input.mode)) {
    for (int i = 0; i < 7; ++i) {
      if (input.weekdays[i]) job.daysOfWeek = static_cast<std::uint8_t>(job.daysOfWeek | (1u << i));
    }
  }
  if (IsDayMode(input.mode)) {
    for (int i = 0; i < 31; ++i) {
      if (input.days[i]) job.daysOfMonth |= 1u << i;
    }
  }
  if (input.mode == kModeWeekly || input.mode == kModeMonthly) job.flags |= kJobRunPeriodically;
  if (nonInteractive) job.flags |= kJobNonInteractive;
  return job;
}

}  // namespace zq
