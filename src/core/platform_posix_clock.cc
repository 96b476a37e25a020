// The POSIX side of the clock.
#include <ctime>

#include "core/platform_clock.h"

namespace gamefold::platform {

DateTime LocalTimeNow() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour,        local.tm_min,     local.tm_sec};
}

}  // namespace gamefold::platform
