// Local date and time to the second, and the clock the console reads them from (tests set
// it). Portable.
#pragma once

namespace zq {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime Now() const = 0;
};

}  // namespace zq
