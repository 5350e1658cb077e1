#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "shots/move_state.h"

namespace Curling {

// The node of a search tree. The shot families make their candidates as nodes (a candidate list
// becomes a root's children as it stands), so the node lives with the shots; the searches that
// grow trees of it (search/tree) add the rules that select, score and merge.

// Exploration factor of the UCB rule.
inline constexpr double kExploration = 0.31;

// The UCB formula, in the order that fixes its rounding: rate + 0.31 * sqrt(ln(playouts) * 2.0 /
// visits), in double precision.
double UcbValue(double rate, std::uint32_t visits, std::uint32_t playouts);

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

  // ucb = UcbValue(rate, visits, playouts). Needs visits >= 1.
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

  // The number of children at construction, which is always 0; part of the node's record, kept
  // unchanged by every rule.
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

}  // namespace Curling
