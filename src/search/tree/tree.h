#pragma once

#include <random>

#include <cstdint>

#include "shots/candidate_list.h"
#include "shots/candidate_node.h"

namespace Curling {

// The rules of the tree searches over the candidate node (shots/candidate_node.h).

// What a worker's tree may still grow by, in nodes: its share of the memory limit over the size of
// a node. An expansion goes ahead only while a list of kCandidateReserve nodes fits, so that the
// tree stays within the share (a crowded house's list longer than that may pass it by the excess).
class NodeBudget {
 public:
  explicit NodeBudget(std::uint64_t bytes) : left_(bytes / sizeof(Node)) {}

  bool Fits() const { return left_ >= kCandidateReserve; }
  void Take(std::uint64_t nodes) { left_ -= nodes < left_ ? nodes : left_; }
  std::uint64_t Left() const { return left_; }

 private:
  std::uint64_t left_;
};

// Rewrites the ucb of every child of `node` and returns the chosen one: an unvisited child gets
// RandomPriority(rng) + 1000 (summed in float), a visited one ComputeUcb; the first child with the
// largest ucb wins (ties to the earliest). Needs at least one child.
Node& SelectChild(Node& node, std::mt19937& rng);

// Records one whole-number reward: win = visits * rate + reward (recomputed from the mean), then
// visits + 1 and rate = win / visits. playouts and ucb are left alone.
void RecordReward(UCTState& stats, int reward);

// Adds `from` into `into` (visits, playouts, win). When the sum has visits, rate becomes the
// single-precision quotient win / visits and ucb is recomputed from it; otherwise rate and ucb keep
// their values.
void MergeStats(UCTState& into, const UCTState& from);

// Moves every node of `list`, in order, to the end of node's children.
void AppendChildren(Node& node, CandidateList list);

// Adds a worker's statistics into the root: the root's own, then each child's by position. Nodes
// below the children are not merged. Both roots descend from copies of one root, so their child
// lists match; should they not, only the common positions are merged.
void MergeRoot(Node& root, const Node& workerRoot);

}  // namespace Curling
