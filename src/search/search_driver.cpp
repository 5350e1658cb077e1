#include "search/search_driver.h"

#include <algorithm>
#include <functional>
#include <future>
#include <system_error>
#include <utility>
#include <vector>

#include "search/workers.h"
#include "shots/candidate_list.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace Curling {

namespace {

using BestChildRule = const Node& (*)(const Node& root);

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
  // Step 3. The workers.
  root = ParallelSearch(state, std::move(root), worker, config);
  // Step 4 and 5. The best child, copied out with the counts.
  return SearchResult{static_cast<std::int32_t>(root.children.size()), root.value.stats.playouts,
                      bestChild(root).value};
}

}  // namespace

Node ParallelSearch(const CurlingGameState& state, Node root, SearchWorker worker,
                    const SearchConfig& config) {
  // Step 1. The second shuffle, with a fresh generator of seed 5489.
  ShuffleFixedSeed(root.children);
  // A seeded search: each worker's own configuration, its seed drawn here in worker order, before
  // any is launched, so that the seeds do not depend on the order the threads start in.
  std::vector<SearchConfig> seededConfigs;
  if (config.seeded) {
    seededConfigs.reserve(static_cast<std::size_t>(std::max(config.workers, 0)));
    for (int i = 0; i < config.workers; ++i) {
      seededConfigs.push_back(config);
      seededConfigs.back().workerSeed = DrawProcessSeed();
    }
  }
  // Step 2. Every worker launched before any is awaited; std::async copies the state and the
  // root (deeply) for each one before its task starts. Should the system refuse a thread, that
  // worker runs on this thread when it is awaited instead (its budget starts then), so that the
  // engine still answers, later, rather than ending on the exception.
  std::vector<std::future<Node>> workers(static_cast<std::size_t>(std::max(config.workers, 0)));
  for (std::size_t i = 0; i < workers.size(); ++i) {
    const SearchConfig& workerConfig = config.seeded ? seededConfigs[i] : config;
    std::future<Node>& future = workers[i];
    try {
      future = std::async(std::launch::async, worker, state, root, std::cref(workerConfig));
    } catch (const std::system_error&) {
      future = std::async(std::launch::deferred, worker, state, root, std::cref(workerConfig));
    }
  }
  // Step 3. Awaited in order, each merged into the root and discarded.
  for (std::future<Node>& future : workers) {
    const Node workerRoot = future.get();
    MergeRoot(root, workerRoot);
  }
  // Step 4.
  return root;
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
