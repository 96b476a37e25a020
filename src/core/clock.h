#pragma once

#include <string>

namespace gamefold {

/// A local date and time, as the trace log shows it.
struct DateTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;   // 0-23
  int minute = 0;
  int second = 0;
};

/// Where the current time comes from; tests put a fixed one in.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;
};

/// The machine's local time.
class SystemClock : public Clock {
 public:
  DateTime Now() const override;
};

/// Formats a date-time as the trace log writes it: M/D/YYYY h:mm:ss AM/PM,
/// e.g. "12/6/2026 6:47:49 AM".
std::string FormatTraceTime(const DateTime& time);

}  // namespace gamefold
