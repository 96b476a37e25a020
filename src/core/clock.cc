#include "core/clock.h"

#include <cstdio>
#include <ctime>

namespace gamefold {

DateTime SystemClock::Now() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string FormatTraceTime(const DateTime& time) {
  int hour12 = time.hour % 12 == 0 ? 12 : time.hour % 12;
  const char* half = time.hour < 12 ? "AM" : "PM";
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", time.month, time.day, time.year,
                hour12, time.minute, time.second, half);
  return text;
}

}  // namespace gamefold
