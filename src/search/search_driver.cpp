#include "search/search_driver.h"

#include <algorithm>
#include <exception>
#include <future>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "search/workers.h"
#include "shots/candidate_list.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace Curling {

namespace {

using BestChildRule = const Node& (*)(const Node& root);

// What the parallel part of a search hands its driver: the root with the merged statistics, and
// how many workers' statistics went into it.
struct MergedWorkers {
  Node root;
  int finished = 0;
};

// ParallelSearch, counting the workers that finished. A worker whose thread the system refuses
// does not run; when none could start, one runs on this thread instead, for its own time limit,
// so that the search takes one time limit however many threads were refused. A worker that ends
// in an exception leaves its statistics out. Either is reported with one line on config.log
// after the merge.
MergedWorkers RunWorkers(const CurlingGameState& state, Node root, SearchWorker worker,
                         const SearchConfig& config) {
  // Step 1. The second shuffle, with a fresh generator of seed 5489.
  ShuffleFixedSeed(root.children);
  const int count = std::max(config.workers, 0);
  // A seeded search: each worker's own configuration, its seed drawn here in worker order, before
  // any is launched, so that the seeds do not depend on the order the threads start in.
  std::vector<SearchConfig> seededConfigs;
  if (config.seeded) {
    seededConfigs.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      seededConfigs.push_back(config);
      seededConfigs.back().workerSeed = DrawProcessSeed();
    }
  }
  const auto configOf = [&](int i) -> const SearchConfig& {
    return config.seeded ? seededConfigs[static_cast<std::size_t>(i)] : config;
  };
  // Step 2. Every worker launched before any is awaited, each task holding its own copies of the
  // state and the root (made here, on this thread). Step 3. Awaited in order, each merged into the
  // root and discarded.
  MergedWorkers merged{root, 0};
  const WorkerOutcome outcome = RunWorkerTasks<Node>(
      count,
      [&](int i) {
        const SearchConfig& workerConfig = configOf(i);
        return config.launcher.Launch(i, [worker, state, copy = root, &workerConfig]() mutable {
          return worker(state, std::move(copy), workerConfig);
        });
      },
      [&](int i) { return worker(state, root, configOf(i)); },
      [&](const Node& workerRoot) {
        MergeRoot(merged.root, workerRoot);
        ++merged.finished;
      });
  ReportWorkers(outcome, count, config.log);
  // Step 4.
  return merged;
}

// Steps shared by both drivers: the root from the candidate list, the parallel search, the best
// child by the driver's rule.
SearchResult RunDriver(const CurlingGameState& state, const SearchConfig& config,
                       SearchWorker worker, BestChildRule bestChild) {
  // Step 1 and 2. An empty root, the position's candidates as its children.
  Node root;
  AppendChildren(root, BuildCandidateList(state, config.log));
  // Without candidates there is nothing to simulate and no child to pick: answer a draw to the
  // tee at once.
  if (root.children.empty()) return SearchResult{0, 0, FallbackMove()};
  const auto candidates = static_cast<std::int32_t>(root.children.size());
  // Step 3. The workers. Should every one of them fail, no child has statistics to pick by: the
  // same draw to the tee.
  const MergedWorkers merged = RunWorkers(state, std::move(root), worker, config);
  if (merged.finished == 0) return SearchResult{candidates, 0, FallbackMove()};
  // Step 4 and 5. The best child, copied out with the counts.
  return SearchResult{candidates, merged.root.value.stats.playouts, bestChild(merged.root).value};
}

}  // namespace

Node ParallelSearch(const CurlingGameState& state, Node root, SearchWorker worker,
                    const SearchConfig& config) {
  return RunWorkers(state, std::move(root), worker, config).root;
}

SearchResult PrimitiveSearch(const CurlingGameState& state, const SearchConfig& config) {
  return RunDriver(state, config, PrimitiveWorker, BestByRate);
}

SearchResult UCTSearch(const CurlingGameState& state, const SearchConfig& config) {
  return RunDriver(state, config, UCTWorker, BestByVisits);
}

Move<CurlingMoveState, UCTState> FallbackMove() {
  return Move<CurlingMoveState, UCTState>{
      CurlingMoveState(kTeeX, kTeeY, "TEE", true, kDrawPower, false), UCTState{}};
}

const Node& BestByRate(const Node& root) {
  const Node* best = &root.children.front();
  for (const Node& child : root.children) {
    if (child.value.stats.rate > best->value.stats.rate) best = &child;
  }
  return *best;
}

const Node& BestByVisits(const Node& root) {
  const Node* best = &root.children.front();
  for (const Node& child : root.children) {
    if (child.value.stats.visits > best->value.stats.visits) best = &child;
  }
  return *best;
}

}  // namespace Curling
