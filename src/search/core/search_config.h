#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>

#include "search/core/time_budget.h"
#include "search/core/worker_launcher.h"
#include "search/eval/evaluator.h"

namespace Curling {

// Time each search worker runs for, from the moment it starts.
inline constexpr std::int64_t kSearchTimeLimitMs = 5000;

// Number of workers a search runs in parallel.
inline constexpr int kSearchWorkers = 4;

// Memory the searches of one engine may keep by default, in MiB: far more than a search of
// 5000 ms keeps ("UCT" about 180 MiB), and what two engines at once can afford on a machine of
// 24 GB however long they think.
inline constexpr std::uint64_t kDefaultMemoryMb = 4096;
inline constexpr std::uint64_t kBytesPerMb = std::uint64_t{1} << 20;

// Execution noise the engine asks of every simulated shot.
inline constexpr float kSimulationNoise = 0.3f;

// The knobs of a search that the engine's command line may change. Default-constructed, they are
// the engine's fixed search: four workers of 5000 ms each, seeded from the wall clock.
// - limitMs: each worker's time limit
// - workers: workers run in parallel (1 or more)
// - playoutLimit: when set, each worker stops after this many simulations ("Primitive"),
//   iterations ("UCT") or samples ("Strong") instead of on the clock
// - seeded: the workers' seeds are drawn in worker order by the launching thread, and every
//   simulated shot gets a simulator seed from its worker's generator (see RunSearchWorkers), so
//   that a search repeats exactly once the process-wide generator is seeded and the playouts
//   limited
// - memoryBytes: what the search may keep of what it learns (the tree of "UCT", the samples of
//   "Strong"), shared out equally among the workers (WorkerMemoryBytes), so that a seeded search
//   still repeats; a worker whose share is spent goes on without keeping more
// - evaluator: what a search that values positions ("Strong") values them by; null, its own
//   choice (see the search). The tree searches do not value positions. It must outlive the search.
struct SearchSettings {
  std::int64_t limitMs = kSearchTimeLimitMs;
  int workers = kSearchWorkers;
  std::optional<std::uint32_t> playoutLimit{};
  bool seeded = false;
  std::uint64_t memoryBytes = kDefaultMemoryMb * kBytesPerMb;
  const Evaluator* evaluator = nullptr;
};

// One worker's share of the memory limit.
inline std::uint64_t WorkerMemoryBytes(const SearchSettings& settings) {
  return settings.memoryBytes /
         static_cast<std::uint64_t>(settings.workers > 1 ? settings.workers : 1);
}

// What a search needs besides the position: the diagnostic stream that the candidate lists and
// the reward write to, the settings, the clock the time limit is measured on, and how the workers
// are started. Passed by reference to the drivers and workers; the stream, the clock and the
// launcher must outlive the search.
// - workerSeed: the seed of one worker's generator, set by RunSearchWorkers on each worker's own
//   copy of the configuration in a seeded search; unset, a worker seeds itself when it starts
//   (WorkerGenerator) and its simulated shots carry no simulator seed
// - launcher: starts each worker's thread (std::async by default)
// - objective: what a search that values positions ("Strong") values them for (its evaluator is
//   in the settings); unset, its own choice (see the search). The tree searches always play for
//   the end's points.
struct SearchConfig {
  std::ostream& log;
  SearchSettings settings{};
  const TickClock& clock = SystemTickClock();
  std::optional<std::uint32_t> workerSeed{};
  const WorkerLauncher& launcher = AsyncWorkerLauncher();
  std::optional<Objective> objective{};
};

// The engine's search with the command line's settings, on the system clock, diagnostics to
// `log`.
inline SearchConfig EngineSearchConfig(std::ostream& log, const SearchSettings& settings = {}) {
  return SearchConfig{log, settings};
}

}  // namespace Curling
