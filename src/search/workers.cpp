#include "search/workers.h"

#include <ostream>
#include <syncstream>
#include <thread>

#include "curling/position_analysis.h"
#include "search/playout.h"
#include "search/time_budget.h"
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
  std::mt19937 rng = SeedWorkerGenerator();
  // Step 1. The budget starts now, when the worker runs, not when it was launched.
  const TimeBudget budget(config.clock, config.limitMs);
  // Step 2. Passes over the children in their order while time remains.
  while (budget.Remaining() > 0) {
    for (Node& child : root.children) {
      CurlingGameState after = ApplyShot(state, child.value.shot);
      if (after.shotNumber != 0) after = Playout(after, rng, log);
      Score(child.value.stats, TruncateReward(EvaluateFinalState(state, after, log)));
      root.value.stats.playouts += 1;
      if (budget.Remaining() < 0) break;
    }
  }
  return root;
}

Node UCTWorker(CurlingGameState state, Node root, const SearchConfig& config) {
  if (root.children.empty()) return root;
  std::osyncstream log(config.log);
  log << std::emit_on_flush;
  std::mt19937 rng = SeedWorkerGenerator();
  const TimeBudget budget(config.clock, config.limitMs);
  while (budget.Remaining() > 0) {
    UCTIteration(root, state, rng, log);
    std::this_thread::yield();
  }
  return root;
}

int UCTIteration(Node& node, CurlingGameState state, std::mt19937& rng, std::ostream& log) {
  // Step 1. Selection: unvisited children first, in random order, then the largest ucb.
  Node& selected = SelectChild(node, rng);
  UCTState& stats = selected.value.stats;
  // Step 2. The selected shot, played.
  const CurlingGameState next = ApplyShot(state, selected.value.shot);
  int reward;
  if (next.shotNumber != 0) {
    if (stats.visits == 0) {
      // Step 3a. First selection: a playout scores it; it stays a leaf for now.
      reward = TruncateReward(EvaluateFinalState(state, Playout(next, rng, log), log));
      stats.playouts += 1;
    } else {
      // Step 3b. Later selections: expand once, then descend. The nested call counts the
      // selected node's playouts.
      if (selected.children.empty()) AppendChildren(selected, BuildCandidateList(next, log));
      if (selected.children.empty()) {
        reward = TruncateReward(EvaluateFinalState(state, next, log));
        stats.playouts += 1;
      } else {
        reward = UCTIteration(selected, next, rng, log);
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
