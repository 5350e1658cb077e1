#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "search/time_budget.h"
#include "search/worker_launcher.h"

namespace Curling {

// Time each search worker runs for, from the moment it starts.
inline constexpr std::int64_t kSearchTimeLimitMs = 5000;

// Number of workers a search runs in parallel.
inline constexpr int kSearchWorkers = 4;

// The knobs of a search that the engine's command line may change. Default-constructed, they are
// the engine's fixed search: four workers of 5000 ms each, seeded from the wall clock.
// - limitMs: each worker's time limit
// - workers: workers run in parallel (1 or more)
// - playoutLimit: when set, each worker stops after this many simulations ("Primitive") or
//   iterations ("UCT") instead of on the clock
// - seeded: the workers' seeds are drawn in worker order by the launching thread, and every
//   simulated shot gets a simulator seed from its worker's generator (see ParallelSearch), so that
//   a search repeats exactly once the process-wide generator is seeded and the playouts limited
struct SearchSettings {
  std::int64_t limitMs = kSearchTimeLimitMs;
  int workers = kSearchWorkers;
  std::optional<std::uint32_t> playoutLimit{};
  bool seeded = false;
};

// What a search needs besides the position: each worker's time limit, the clock it is measured
// on, and the diagnostic stream that the candidate lists and the reward write to; then the opt-in
// knobs of SearchSettings. Passed by reference to the drivers and workers; the clock and the
// stream must outlive the search.
// - workerSeed: the seed of one worker's generator, set by ParallelSearch on each worker's own
//   copy of the configuration in a seeded search; unset, a worker seeds itself when it starts
//   (SeedWorkerGenerator) and its simulated shots carry no simulator seed
// - launcher: starts each worker's thread (std::async by default); must outlive the search
struct SearchConfig {
  std::ostream& log;
  std::int64_t limitMs = kSearchTimeLimitMs;
  const TickClock& clock = SystemTickClock();
  int workers = kSearchWorkers;
  std::optional<std::uint32_t> playoutLimit{};
  bool seeded = false;
  std::optional<std::uint32_t> workerSeed{};
  const WorkerLauncher& launcher = AsyncWorkerLauncher();
};

// The engine's own search: 5000 ms per worker on the system clock, diagnostics to `log`.
inline SearchConfig EngineSearchConfig(std::ostream& log) {
  return SearchConfig{log, kSearchTimeLimitMs, SystemTickClock()};
}

// The engine's search with the command line's settings, on the system clock, diagnostics to
// `log`. Default settings give EngineSearchConfig(log).
inline SearchConfig EngineSearchConfig(std::ostream& log, const SearchSettings& settings) {
  return SearchConfig{log,
                      settings.limitMs,
                      SystemTickClock(),
                      settings.workers,
                      settings.playoutLimit,
                      settings.seeded,
                      std::nullopt};
}

}  // namespace Curling
