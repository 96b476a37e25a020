#include "core/clock.h"

#include <cstdio>

#include "core/platform_clock.h"

namespace gamefold {

DateTime SystemClock::Now() const { return platform::LocalTimeNow(); }

std::string FormatTraceTime(const DateTime& time) {
  int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
  const char* half = time.hour < 12 ? "AM" : "PM";
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", time.month, time.day, time.year,
                hour12, time.minute, time.second, half);
  return text;
}

}  // namespace gamefold
