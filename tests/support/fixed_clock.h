#pragma once

#include "core/clock.h"

namespace gamefold::testing {

/// A clock that shows one moment, 6 December 2026 6:47:49 AM unless a test sets another.
class FixedClock : public Clock {
 public:
  DateTime Now() const override { return now; }
  DateTime now{2026, 12, 6, 6, 47, 49};
};

}  // namespace gamefold::testing
