#pragma once

// The machine's clock.

#include "core/clock.h"

namespace gamefold::platform {

/// The machine's local time now.
DateTime LocalTimeNow();

}  // namespace gamefold::platform
