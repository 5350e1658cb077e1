#pragma once

#include <cstdint>
#include <iosfwd>

#include "search/time_budget.h"

namespace Curling {

// Time each search worker runs for, from the moment it starts.
inline constexpr std::int64_t kSearchTimeLimitMs = 5000;

// Number of workers a search runs in parallel.
inline constexpr int kSearchWorkers = 4;

// What a search needs besides the position: each worker's time limit, the clock it is measured
// on, and the diagnostic stream that the candidate lists and the reward write to. Passed by
// reference to the drivers and workers; the clock and the stream must outlive the search.
struct SearchConfig {
  std::ostream& log;
  std::int64_t limitMs = kSearchTimeLimitMs;
  const TickClock& clock = SystemTickClock();
};

// The engine's own search: 5000 ms per worker on the system clock, diagnostics to `log`.
inline SearchConfig EngineSearchConfig(std::ostream& log) {
  return SearchConfig{log, kSearchTimeLimitMs, SystemTickClock()};
}

}  // namespace Curling
