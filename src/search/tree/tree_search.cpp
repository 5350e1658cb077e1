#include "search/tree/tree_search.h"

#include <algorithm>
#include <exception>
#include <future>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "search/core/search_workers.h"
#include "search/tree/workers.h"
#include "shots/candidate_list.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace Curling {

namespace {

using BestChildRule = const Node& (*)(const Node& root);

// What the parallel part of a search hands its driver: the root with the merged statistics, how
// many workers' statistics went into it, and the workers' own roots, whose trees are freed only
// after the answer is out.
struct MergedWorkers {
  Node root;
  int finished = 0;
  std::vector<Node> workerRoots;
};

// ParallelSearch, counting the workers that finished.
MergedWorkers RunWorkers(const CurlingGameState& state, Node root, SearchWorker worker,
                         const SearchConfig& config) {
  // Step 1. The second shuffle, with a fresh generator of seed 5489.
  ShuffleFixedSeed(root.children);
  // Step 2. Every worker launched before any is awaited, each task holding its own copies of the
  // state and the root (made here, on this thread). Step 3. Awaited in order, each merged into the
  // root and kept aside.
  MergedWorkers merged{root, 0, {}};
  merged.finished = RunSearchWorkers(
      config, config.settings.workers,
      [&](const SearchConfig& workerConfig) {
        return [worker, state, copy = root, &workerConfig]() mutable {
          return worker(state, std::move(copy), workerConfig);
        };
      },
      [&](Node&& workerRoot) {
        MergeRoot(merged.root, workerRoot);
        merged.workerRoots.push_back(std::move(workerRoot));
      });
  // Step 4.
  return merged;
}

// The chosen child, copied out: its shot and its merged statistics.
ChosenShot Chosen(const Node& child) {
  const UCTState& stats = child.value.stats;
  return ChosenShot{child.value.shot, stats.playouts, stats.win, stats.rate};
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
  if (root.children.empty()) return SearchResult{0, 0, FallbackShot()};
  const auto candidates = static_cast<std::int32_t>(root.children.size());
  // Step 3. The workers. Should every one of them fail, no child has statistics to pick by: the
  // same draw to the tee.
  MergedWorkers merged = RunWorkers(state, std::move(root), worker, config);
  if (merged.finished == 0) return SearchResult{candidates, 0, FallbackShot()};
  // Step 4 and 5. The best child, copied out with the counts; the workers' trees go with it.
  SearchResult result{candidates, merged.root.value.stats.playouts, Chosen(bestChild(merged.root))};
  result.leftovers = std::make_shared<std::vector<Node>>(std::move(merged.workerRoots));
  return result;
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
