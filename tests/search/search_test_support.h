#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "search/core/search_config.h"
#include "search/core/time_budget.h"
#include "search/tree/tree.h"
#include "step_clock.h"

namespace Curling::Testing {

// A clock that gives back a list of readings, one per call (the last one repeated).
class ScriptedClock final : public TickClock {
 public:
  explicit ScriptedClock(std::vector<std::int64_t> readings) : readings_(std::move(readings)) {}
  std::int64_t Now() const override {
    const std::int64_t value = readings_[next_];
    if (next_ + 1 < readings_.size()) ++next_;
    return value;
  }

 private:
  std::vector<std::int64_t> readings_;
  mutable std::size_t next_ = 0;
};

// A search of `limitMs` steps of a StepClock, logging into `log`, its workers started by
// `launcher`.
inline SearchConfig StepConfig(std::ostream& log, std::int64_t limitMs,
                               const WorkerLauncher& launcher = AsyncWorkerLauncher()) {
  static const StepClock clock;
  return SearchConfig{
      .log = log, .settings = {.limitMs = limitMs}, .clock = clock, .launcher = launcher};
}

// A draw candidate to (2.375, y), so that children can be told apart by their target.
inline Node DrawCandidate(double y) {
  return Node("TEE", true, -1, false, 2.375, y);
}

// A root with `count` draw children, the i-th aimed at y = 10 + i.
inline Node RootWithChildren(int count) {
  Node root;
  for (int i = 0; i < count; ++i) root.children.push_back(DrawCandidate(10.0 + i));
  return root;
}

// Statistics checks over a whole tree. A non-root node has visits == playouts, and an expanded one
// was scored once by itself before its children got any: visits == 1 + the children's visits
// (when no expansion came out empty). Returns a description of the first violation, or "".
inline std::string CheckSubtree(const Node& node, const std::string& path) {
  const UCTState& s = node.value.stats;
  if (s.visits != s.playouts) return path + ": visits != playouts";
  if (node.children.empty()) return "";
  std::uint64_t childVisits = 0;
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    childVisits += node.children[i].value.stats.visits;
    const std::string error = CheckSubtree(node.children[i], path + "/" + std::to_string(i));
    if (!error.empty()) return error;
  }
  if (s.visits != 1 + childVisits) return path + ": visits != 1 + children's visits";
  return "";
}

// The root's own invariants, then every subtree: playouts = the children's visits = `expected`
// simulations or iterations; visits, win and rate stay zero.
inline std::string CheckTree(const Node& root, std::uint64_t expected) {
  const UCTState& s = root.value.stats;
  if (s.visits != 0 || s.win != 0.0 || s.rate != 0.0) return "root: statistics touched";
  if (s.playouts != expected) {
    return "root: playouts " + std::to_string(s.playouts) + ", expected " +
           std::to_string(expected);
  }
  std::uint64_t childVisits = 0;
  for (std::size_t i = 0; i < root.children.size(); ++i) {
    childVisits += root.children[i].value.stats.visits;
    const std::string error = CheckSubtree(root.children[i], std::to_string(i));
    if (!error.empty()) return error;
  }
  if (childVisits != expected) return "root: children's visits do not add up";
  return "";
}

}  // namespace Curling::Testing
