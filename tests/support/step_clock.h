#pragma once

#include <cstdint>

#include "search/time_budget.h"

namespace Curling::Testing {

// A search clock that advances by one millisecond at every reading, counted per thread: a worker
// that reads it sees 0, 1, 2, ... ms from its start whatever the other workers do, so a search
// under a limit of L ms runs a fixed number of simulations, without sleeping.
class StepClock final : public TickClock {
 public:
  std::int64_t Now() const override {
    thread_local std::int64_t ticks = 0;
    ticks += kTicksPerMillisecond;
    return ticks;
  }
};

}  // namespace Curling::Testing
