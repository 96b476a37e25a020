// The Windows side: wide-character calls only, so that names in any script work whatever the
// code page; the program's paths are UTF-8 and are converted at each call.
//
// The clock.

#include <windows.h>

#include "core/platform_clock.h"

namespace gamefold::platform {

DateTime LocalTimeNow() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return DateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace gamefold::platform
