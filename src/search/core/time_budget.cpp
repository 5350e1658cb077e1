#include "search/core/time_budget.h"

#include <chrono>

namespace Curling {

namespace {

// The system clock counted in 100-nanosecond ticks since 1970.
class SystemClock final : public TickClock {
 public:
  std::int64_t Now() const override {
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
    return std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch())
        .count();
  }
};

}  // namespace

const TickClock& SystemTickClock() {
  static const SystemClock clock;
  return clock;
}

}  // namespace Curling
