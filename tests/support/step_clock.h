#pragma once

#include <cstdint>

#include "search/core/time_budget.h"

namespace Curling::Testing {

// A search clock that advances by one millisecond at every reading. The count belongs to the
// reading thread, not to the clock: every StepClock shares it, the first reading on a thread is
// 1 ms, and a thread that read it before goes on from where it stood. A time budget measures from
// its own first reading, so a worker sees its time advance by 1 ms per reading whatever the other
// workers do, and a search under a limit of L ms runs a fixed number of simulations, without
// sleeping.
class StepClock final : public TickClock {
 public:
  std::int64_t Now() const override {
    thread_local std::int64_t ticks = 0;
    ticks += kTicksPerMillisecond;
    return ticks;
  }
};

}  // namespace Curling::Testing
