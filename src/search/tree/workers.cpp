#include "search/tree/workers.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <syncstream>
#include <thread>

#include "curling/position_analysis.h"
#include "search/core/search_workers.h"
#include "search/tree/playout.h"
#include "shots/candidate_list.h"
#include "shots/random.h"

namespace Curling {

namespace {

// Adds one simulation and its reward to a node's statistics.
void Score(UCTState& stats, int reward) {
  stats.playouts += 1;
  RecordReward(stats, reward);
}

}  // namespace

Node PrimitiveWorker(CurlingGameState state, Node root, const SearchConfig& config) {
  if (root.children.empty()) return root;
  std::osyncstream log(config.log);
  log << std::emit_on_flush;
  std::mt19937 rng = WorkerGenerator(config);
  // In a seeded search every shot gets a simulator seed from the worker's generator.
  const bool seededShots = config.workerSeed.has_value();
  // Step 1. The budget starts now, when the worker runs, not when it was launched.
  StopRule stop(config);
  // Step 2. Passes over the children in their order while time (or the playout count) remains.
  while (stop.GoOn()) {
    for (Node& child : root.children) {
      const CurlingMoveState& shot = child.value.shot;
      CurlingGameState after =
          seededShots ? ApplySeededShot(state, shot, rng) : ApplyShot(state, shot);
      if (after.shotNumber != 0) after = Playout(after, rng, log, seededShots);
      Score(child.value.stats, TruncateReward(EvaluateFinalState(state, after, log)));
      root.value.stats.playouts += 1;
      if (stop.CountSimulation()) break;
    }
  }
  return root;
}

Node UCTWorker(CurlingGameState state, Node root, const SearchConfig& config) {
  if (root.children.empty()) return root;
  std::osyncstream log(config.log);
  log << std::emit_on_flush;
  std::mt19937 rng = WorkerGenerator(config);
  const bool seededShots = config.workerSeed.has_value();
  StopRule stop(config);
  NodeBudget budget(WorkerMemoryBytes(config.settings));
  budget.Take(root.children.size());
  while (stop.GoOn()) {
    UCTIteration(root, state, rng, log, seededShots, &budget);
    stop.CountIteration();
    std::this_thread::yield();
  }
  return root;
}

int UCTIteration(Node& node, CurlingGameState state, std::mt19937& rng, std::ostream& log,
                 bool seededShots, NodeBudget* budget) {
  // Step 1. Selection: unvisited children first, in random order, then the largest ucb.
  Node& selected = SelectChild(node, rng);
  UCTState& stats = selected.value.stats;
  // Step 2. The selected shot, played.
  const CurlingGameState next = seededShots ? ApplySeededShot(state, selected.value.shot, rng)
                                            : ApplyShot(state, selected.value.shot);
  int reward;
  if (next.shotNumber != 0) {
    if (stats.visits == 0) {
      // Step 3a. First selection: a playout scores it; it stays a leaf for now.
      reward = TruncateReward(EvaluateFinalState(state, Playout(next, rng, log, seededShots), log));
      stats.playouts += 1;
    } else {
      // Step 3b. Later selections: expand once (while the budget holds a list), then descend.
      // The nested call counts the selected node's playouts.
      const bool grows = budget == nullptr || budget->Fits();
      if (selected.children.empty() && grows) {
        CandidateList list = BuildCandidateList(next, log);
        if (budget != nullptr) budget->Take(list.size());
        AppendChildren(selected, std::move(list));
      }
      if (!selected.children.empty()) {
        reward = UCTIteration(selected, next, rng, log, seededShots, budget);
      } else if (grows) {
        reward = TruncateReward(EvaluateFinalState(state, next, log));
        stats.playouts += 1;
      } else {
        // The memory share is spent: a leaf for good, scored by a playout.
        reward =
            TruncateReward(EvaluateFinalState(state, Playout(next, rng, log, seededShots), log));
        stats.playouts += 1;
      }
    }
  } else {
    // Step 4. The shot ended the end: a terminal node, scored directly.
    reward = TruncateReward(EvaluateFinalState(state, next, log));
    stats.playouts += 1;
  }
  // Steps 5 to 7. Record, count, and hand the value up with the other side's sign.
  RecordReward(stats, reward);
  node.value.stats.playouts += 1;
  return -reward;
}

}  // namespace Curling
