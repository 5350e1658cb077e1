#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "shots/move_state.h"

namespace Curling {

// Exploration factor of the UCB rule.
inline constexpr double kExploration = 0.31;

// Statistics of one search node.
// - visits: rewards recorded into the node (RecordReward, MergeStats)
// - playouts: simulations through the node, counted by the search itself; equal to visits for
//   every node but a root, whose playouts count the whole search while the rest stays zero
// - win: sum of the rewards; rate: their mean, win / visits
// - ucb: selection value, rewritten by SelectChild and MergeStats
struct UCTState {
  std::uint32_t visits = 0;
  std::uint32_t playouts = 0;
  double win = 0.0;
  double rate = 0.0;
  double ucb = 0.0;

  // ucb = rate + 0.31 * sqrt(ln(playouts) * 2.0 / visits), in this order, in double precision.
  // Needs visits >= 1.
  void ComputeUcb();
};

// A node's shot together with the statistics of the simulations that went through it.
template <class Shot, class Stats>
struct Move {
  Shot shot{};
  Stats stats{};
};

// One node of the search tree. It owns its children, and through them its subtree, by value in
// one contiguous container: copying a node copies the subtree, moving it hands the subtree over
// and leaves the source without children, destroying it destroys the subtree. The root carries a
// default shot; every other node is a candidate made by a shot family.
template <class Value, template <class, class> class Container, template <class> class Allocator>
class Tree {
 public:
  using ChildList = Container<Tree, Allocator<Tree>>;

  // Set once: the number of children at construction, which is always 0. Read by nothing.
  std::int32_t childCount = 0;
  // Grown by AppendChildren (the root's list, and a node's expansion); never reordered after the
  // root's shuffle, never shrunk.
  ChildList children;
  // The shot (set once) and its statistics (changed during the search).
  Value value{};

  // An empty root: no children, a default shot, zero statistics.
  Tree() = default;

  // A candidate node: no children, zero statistics, and the shot built from (x, y, label, curl,
  // power, flag), which makes the shot's one simulator call.
  Tree(std::string_view label, bool curl, int power, bool flag, double x, double y)
      : value{decltype(Value::shot)(x, y, label, curl, power, flag), {}} {}

  Tree(const Tree&) = default;
  Tree(Tree&&) noexcept = default;
  Tree& operator=(const Tree&) = default;
  Tree& operator=(Tree&&) noexcept = default;
  ~Tree() = default;

  // Exchanges two nodes with their subtrees, without copying either (used by the shuffles).
  friend void swap(Tree& a, Tree& b) noexcept {
    using std::swap;
    swap(a.childCount, b.childCount);
    a.children.swap(b.children);
    swap(a.value, b.value);
  }
};

// The search node of this engine.
using Node = Tree<Move<CurlingMoveState, UCTState>, std::vector, std::allocator>;

// The candidate shots of one position, as BuildCandidateList makes them.
using CandidateList = std::vector<Node>;

// The UCT search makes millions of nodes: keep the node small. 4 (+4 padding) for childCount, 24
// for the children vector, 72 for the shot (24 of records, 32 of string, 8 + 8 for power and
// flag), 32 for the statistics.
static_assert(sizeof(Node) == 136, "search node size changed");
static_assert(std::is_nothrow_move_constructible_v<Node>);
static_assert(std::is_nothrow_swappable_v<Node>);

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
