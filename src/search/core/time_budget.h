#pragma once

#include <cstdint>

namespace Curling {

// A wall clock read in 100-nanosecond ticks. The engine reads the system clock; tests hand in a
// clock of their own (one that advances by a fixed step per reading, say) so that a search runs a
// known number of simulations without sleeping. Now() may be called from several workers at once.
class TickClock {
 public:
  virtual ~TickClock() = default;
  virtual std::int64_t Now() const = 0;
};

// The system clock: 100-nanosecond ticks since 1970-01-01 00:00:00 UTC. One instance for the
// whole process, without state.
const TickClock& SystemTickClock();

// Ticks of 100 ns in one millisecond.
inline constexpr std::int64_t kTicksPerMillisecond = 10000;

// A worker's deadline: the instant it started, in ticks, and its limit in milliseconds.
// Remaining() = limit - (now - start) / 10000, the division truncating toward zero: the
// milliseconds left, 0 at the limit itself and negative once it has passed.
class TimeBudget {
 public:
  // Starts now, by one reading of `clock`, which must outlive the budget.
  TimeBudget(const TickClock& clock, std::int64_t limitMs)
      : clock_(&clock), start_(clock.Now()), limitMs_(limitMs) {}

  std::int64_t Remaining() const {
    return limitMs_ - (clock_->Now() - start_) / kTicksPerMillisecond;
  }

  std::int64_t Start() const { return start_; }
  std::int64_t LimitMs() const { return limitMs_; }

 private:
  const TickClock* clock_;
  std::int64_t start_;
  std::int64_t limitMs_;
};

}  // namespace Curling
