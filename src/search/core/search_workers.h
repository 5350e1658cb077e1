#pragma once

#include <algorithm>
#include <cstdint>
#include <exception>
#include <future>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "search/core/search_config.h"
#include "search/core/time_budget.h"

namespace Curling {

// What every search's workers share: how a worker seeds its generator, when it stops, and how the
// workers are launched, awaited and merged.

// A worker's generator: from its own seed in a seeded search (SearchConfig::workerSeed),
// otherwise seeded from the process-wide generator when the worker starts.
std::mt19937 WorkerGenerator(const SearchConfig& config);

// When a worker stops: on its TimeBudget, or after config.settings.playoutLimit simulations,
// iterations or samples when that is set. The budget starts at construction, when the worker
// runs, and the clock is read exactly where the budget alone would read it.
class StopRule {
 public:
  explicit StopRule(const SearchConfig& config)
      : budget_(config.clock, config.settings.limitMs), left_(config.settings.playoutLimit) {}

  // Whether another pass, iteration or sample may start.
  bool GoOn() const { return left_ ? *left_ > 0 : budget_.Remaining() > 0; }

  // Counts one simulation of a pass; true when the pass must be left at once.
  bool CountSimulation() {
    if (left_) return --*left_ == 0;
    return budget_.Remaining() < 0;
  }

  // Counts one iteration or sample (the clock is read by GoOn alone).
  void CountIteration() {
    if (left_) --*left_;
  }

 private:
  TimeBudget budget_;
  std::optional<std::uint32_t> left_;
};

// How the workers of a search went: how many ran, how many of those ended in an exception, and
// the first exception's text.
struct WorkerOutcome {
  int ran = 0;
  int failed = 0;
  std::string firstFailure;
};

// The diagnostic lines of a search's workers, written only when something went wrong:
// "search workers ran: R of N" and "search workers failed: F of R: <what>".
void ReportWorkers(const WorkerOutcome& outcome, int count, std::ostream& log);

// The configurations of `count` workers: copies of `config`, and in a seeded search each with
// its seed drawn from the process-wide generator here, in worker order, before any worker is
// launched, so that the seeds do not depend on the order the threads start in.
std::vector<SearchConfig> WorkerConfigs(const SearchConfig& config, int count);

// Runs the `count` workers of one search, the policy every search runs its workers by.
// makeTask(workerConfig), called on this thread, returns worker i's task, which holds its own
// copies of what it works on and returns the worker's result. All are started through
// config.launcher before any is awaited (a refused thread's worker does not run); they are awaited
// in worker order and each result handed to merge(result) at once. When none could start, worker
// 0 runs on this thread, so that the search takes one time limit however many threads were
// refused. A worker that ends in an exception (or whose merge throws) is left out and counted.
// ReportWorkers writes the outcome on config.log. Returns the number of workers merged.
template <class MakeTask, class Merge>
int RunSearchWorkers(const SearchConfig& config, int count, MakeTask makeTask, Merge merge) {
  using Task = std::invoke_result_t<MakeTask&, const SearchConfig&>;
  using Result = std::invoke_result_t<Task&>;
  count = std::max(count, 0);
  const std::vector<SearchConfig> configs = WorkerConfigs(config, count);
  std::vector<std::optional<Result>> results(static_cast<std::size_t>(count));
  std::vector<std::pair<std::size_t, std::future<void>>> started;
  started.reserve(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < configs.size(); ++i) {
    try {
      started.emplace_back(
          i, config.launcher.Launch(static_cast<int>(i),
                                    [task = makeTask(configs[i]), &slot = results[i]]() mutable {
                                      slot.emplace(task());
                                    }));
    } catch (const std::exception&) {
      // Refused: this worker does not run.
    }
  }
  WorkerOutcome outcome;
  int merged = 0;
  const auto mergeOne = [&](auto&& await) {
    try {
      merge(await());
      ++merged;
    } catch (const std::exception& error) {
      if (outcome.failed++ == 0) outcome.firstFailure = error.what();
    } catch (...) {
      if (outcome.failed++ == 0) outcome.firstFailure = "unknown exception";
    }
  };
  for (auto& [i, future] : started) {
    mergeOne([&]() -> Result {
      future.get();
      Result result = std::move(*results[i]);
      results[i].reset();
      return result;
    });
  }
  outcome.ran = static_cast<int>(started.size());
  if (outcome.ran == 0 && count > 0) {
    mergeOne([&]() -> Result { return makeTask(configs[0])(); });
    outcome.ran = 1;
  }
  ReportWorkers(outcome, count, config.log);
  return merged;
}

}  // namespace Curling
