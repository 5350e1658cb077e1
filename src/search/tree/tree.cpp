#include "search/tree/tree.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "shots/random.h"

namespace Curling {

Node& SelectChild(Node& node, std::mt19937& rng) {
  // Step 1. Rewrite every child's selection value.
  for (Node& child : node.children) {
    UCTState& stats = child.value.stats;
    if (stats.visits == 0) {
      stats.ucb = static_cast<double>(RandomPriority(rng) + 1000.0f);
    } else {
      stats.ucb = UcbValue(stats.rate, stats.visits, stats.playouts);
    }
  }
  // Step 2. The first child with the largest value.
  Node* best = &node.children.front();
  for (Node& child : node.children) {
    if (child.value.stats.ucb > best->value.stats.ucb) best = &child;
  }
  return *best;
}

void RecordReward(UCTState& stats, int reward) {
  const std::uint32_t old = stats.visits;
  stats.win = static_cast<double>(old) * stats.rate + static_cast<double>(reward);
  stats.visits = old + 1;
  stats.rate = stats.win / static_cast<double>(stats.visits);
}

void MergeStats(UCTState& into, const UCTState& from) {
  into.visits += from.visits;
  into.playouts += from.playouts;
  into.win += from.win;
  if (into.visits != 0) {
    const float rate = static_cast<float>(into.win) / static_cast<float>(into.visits);
    into.rate = static_cast<double>(rate);
    into.ucb = UcbValue(into.rate, into.visits, into.playouts);
  }
}

void AppendChildren(Node& node, CandidateList list) {
  node.children.insert(node.children.end(), std::make_move_iterator(list.begin()),
                       std::make_move_iterator(list.end()));
}

void MergeRoot(Node& root, const Node& workerRoot) {
  MergeStats(root.value.stats, workerRoot.value.stats);
  const std::size_t common = std::min(root.children.size(), workerRoot.children.size());
  for (std::size_t i = 0; i < common; ++i) {
    MergeStats(root.children[i].value.stats, workerRoot.children[i].value.stats);
  }
}

}  // namespace Curling
