// The schedule entry both job-creating windows share: the six modes, what each shows, what a
// submission must hold, and the job record it builds.
// Portable decisions over a plain struct of the controls' values.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "console/jobs/CommandLine.h"
#include "console/jobs/basScheduleJob.h"

namespace zq {

enum ScheduleMode : int {
  kModeNone = -1,
  kModeRunNow = 0,
  kModeOnce = 1,
  kModeWeekly = 2,
  kModeWeekdaysOnce = 3,
  kModeMonthly = 4,
  kModeDatesOnce = 5,
};

inline constexpr const char* kScheduleModeTexts[] = {"今すぐ実行",
                                                     "時間指定（１度限り）実行",
                                                     "曜日指定（毎週繰り返し）実行",
                                                     "曜日指定（１度限り）実行",
                                                     "日付指定（毎月繰り返し）実行",
                                                     "日付指定（１度限り）実行"};

// What a mode shows: the schedule frame (none, time, weekdays, dates) and the button caption.
enum class ScheduleFrame { kNone, kTime, kWeek, kDay };
struct ScheduleView {
  ScheduleFrame frame = ScheduleFrame::kNone;
  const char* submitCaption = "";
};
ScheduleView ScheduleViewOf(int mode);

// The schedule controls' values.
struct ScheduleInput {
  int mode = kModeNone;
  std::string time, weekTime, dayTime;
  std::array<bool, 7> weekdays{};  // 0 = Monday
  std::array<bool, 31> days{};     // 0 = day 1
};

// Where a refused submission puts the focus.
enum class ScheduleFocus { kNone, kMode, kTime, kWeekTime, kDayTime, kFirstWeekday, kFirstDay };
struct ScheduleCheck {
  bool ok = false;
  const char* message = "";
  ScheduleFocus focus = ScheduleFocus::kNone;
};

// What a submission must hold for its mode: a mode, a weekday or a date where the mode needs
// one, then an accepted time of day.
ScheduleCheck ValidateSchedule(const ScheduleInput& input);

// The job of an accepted input (modes 1 to 5): time, day masks, JOB_RUN_PERIODICALLY for the
// repeating modes, JOB_NONINTERACTIVE when asked for, the command.
JobSpec BuildJobInfo(const ScheduleInput& input, const std::string& command, bool nonInteractive);

}  // namespace zq
