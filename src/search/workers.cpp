#include "search/workers.h"

#include <cstdint>
#include <optional>
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

// Whether a configuration asks for any of the opt-in knobs that change how a worker runs: a seed
// of its own or a count of simulations instead of the clock.
bool UsesOptInKnobs(const SearchConfig& config) {
  return config.workerSeed.has_value() || config.playoutLimit.has_value();
}

// The generator of a worker under the opt-in knobs: from its seed when it has one, otherwise
// seeded when it starts, as the default worker's.
std::mt19937 OptInGenerator(const SearchConfig& config) {
  return config.workerSeed ? std::mt19937(*config.workerSeed) : SeedWorkerGenerator();
}

// When a worker under the opt-in knobs stops: after config.playoutLimit simulations (or
// iterations) when that is set, otherwise on its TimeBudget as the default worker does. The budget
// starts at construction, when the worker runs.
class StopRule {
 public:
  explicit StopRule(const SearchConfig& config)
      : budget_(config.clock, config.limitMs), left_(config.playoutLimit) {}

  // Whether another pass (or iteration) may start.
  bool GoOn() const { return left_ ? *left_ > 0 : budget_.Remaining() > 0; }

  // Counts one finished simulation; true when the current pass must be left at once.
  bool Count() {
    if (left_) return --*left_ == 0;
    return budget_.Remaining() < 0;
  }

 private:
  TimeBudget budget_;
  std::optional<std::uint32_t> left_;
};

// The "Primitive" worker's passes under the opt-in knobs: the same passes as the default worker,
// ended by a StopRule, with every shot seeded from the worker's generator when it has a seed.
void OptInPrimitivePasses(const CurlingGameState& state, Node& root, const SearchConfig& config,
                          std::ostream& log) {
  std::mt19937 rng = OptInGenerator(config);
  const bool seededShots = config.workerSeed.has_value();
  StopRule stop(config);
  while (stop.GoOn()) {
    for (Node& child : root.children) {
      const CurlingMoveState& shot = child.value.shot;
      CurlingGameState after =
          seededShots ? ApplySeededShot(state, shot, rng) : ApplyShot(state, shot);
      if (after.shotNumber != 0) after = Playout(after, rng, log, seededShots);
      Score(child.value.stats, TruncateReward(EvaluateFinalState(state, after, log)));
      root.value.stats.playouts += 1;
      if (stop.Count()) break;
    }
  }
}

// The "UCT" worker's iterations under the opt-in knobs, ended by a StopRule.
void OptInUCTIterations(const CurlingGameState& state, Node& root, const SearchConfig& config,
                        std::ostream& log) {
  std::mt19937 rng = OptInGenerator(config);
  const bool seededShots = config.workerSeed.has_value();
  StopRule stop(config);
  while (stop.GoOn()) {
    UCTIteration(root, state, rng, log, seededShots);
    stop.Count();
    std::this_thread::yield();
  }
}

}  // namespace

Node PrimitiveWorker(CurlingGameState state, Node root, const SearchConfig& config) {
  if (root.children.empty()) return root;
  std::osyncstream log(config.log);
  log << std::emit_on_flush;
  if (UsesOptInKnobs(config)) {
    OptInPrimitivePasses(state, root, config, log);
    return root;
  }
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
  if (UsesOptInKnobs(config)) {
    OptInUCTIterations(state, root, config, log);
    return root;
  }
  std::mt19937 rng = SeedWorkerGenerator();
  const TimeBudget budget(config.clock, config.limitMs);
  while (budget.Remaining() > 0) {
    UCTIteration(root, state, rng, log);
    std::this_thread::yield();
  }
  return root;
}

int UCTIteration(Node& node, CurlingGameState state, std::mt19937& rng, std::ostream& log,
                 bool seededShots) {
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
      // Step 3b. Later selections: expand once, then descend. The nested call counts the
      // selected node's playouts.
      if (selected.children.empty()) AppendChildren(selected, BuildCandidateList(next, log));
      if (selected.children.empty()) {
        reward = TruncateReward(EvaluateFinalState(state, next, log));
        stats.playouts += 1;
      } else {
        reward = UCTIteration(selected, next, rng, log, seededShots);
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
