#include "search/tree/workers.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "fake_simulator.h"
#include "search_test_support.h"
#include "shots/candidate_list.h"

namespace Curling {
namespace {

using Testing::CheckTree;
using Testing::RootWithChildren;
using Testing::StepConfig;

// The fake scores every completed end 1 for side 0.
CurlingGameState StateAt(int shotNumber, bool sideToMove) {
  CurlingGameState state;
  state.shotNumber = shotNumber;
  state.endNumber = 2;
  state.sideToMove = sideToMove;
  return state;
}

std::vector<std::uint32_t> Visits(const Node& root) {
  std::vector<std::uint32_t> visits;
  for (const Node& child : root.children) visits.push_back(child.value.stats.visits);
  return visits;
}

// On a clock of one millisecond per reading, limit L and k children: the pass that meets 0 ms left
// goes on, the one that meets -1 is left at once, and no pass starts at 0 or below.
TEST(PrimitiveWorkerTest, PassesGoRoundTheChildrenInOrderUntilTheTimeIsUp) {
  struct Case {
    std::int64_t limitMs;
    int children;
    std::vector<std::uint32_t> visits;
  };
  const Case cases[] = {
      {1, 3, {}},         // no time at the first check: nothing runs
      {2, 3, {1, 1, 0}},  // 1 ms left, then 0: on; -1: leave the pass
      {3, 5, {1, 1, 1, 0, 0}},
      {3, 2, {1, 1}},  // the pass ends at 0 ms left: no new one
      {4, 2, {1, 1}},  // 1 ms left after the pass, 0 at the next check
      {5, 2, {2, 2}},
      {6, 3, {2, 2, 1}},
      {12, 4, {3, 3, 2, 2}},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    const Node root = PrimitiveWorker(StateAt(13, false), RootWithChildren(c.children),
                                      StepConfig(log, c.limitMs));
    std::vector<std::uint32_t> expected = c.visits;
    if (expected.empty()) expected.assign(static_cast<std::size_t>(c.children), 0);
    EXPECT_EQ(Visits(root), expected) << "limit " << c.limitMs;
    std::uint64_t total = 0;
    for (std::uint32_t v : expected) total += v;
    EXPECT_EQ(CheckTree(root, total), "") << "limit " << c.limitMs;
    for (const Node& child : root.children) {
      EXPECT_TRUE(child.children.empty());
      EXPECT_EQ(child.value.stats.ucb, 0.0);  // Primitive never ranks children
    }
  }
}

TEST(PrimitiveWorkerTest, ScoresAChildThatEndsTheEndWithoutAPlayout) {
  for (const bool side : {false, true}) {
    FakeSimulator::Reset();
    std::ostringstream log;
    const Node root = PrimitiveWorker(StateAt(15, side), RootWithChildren(3),
                                      StepConfig(log, 8));  // 6 simulations
    ASSERT_EQ(CheckTree(root, 6), "");
    // One simulator call per simulation, the end's 1 for side 0 seen from the side to move.
    EXPECT_EQ(FakeSimulator::Counts().simulation, 6u);
    for (const Node& child : root.children) {
      EXPECT_EQ(child.value.stats.rate, side ? -1.0 : 1.0);
      EXPECT_EQ(child.value.stats.win,
                side ? -1.0 * child.value.stats.visits : 1.0 * child.value.stats.visits);
    }
  }
}

TEST(PrimitiveWorkerTest, PlaysOutEveryOtherChildFromTheStateAfterItsShot) {
  struct Case {
    int shotNumber;
    std::uint64_t callsPerSimulation;
  };
  // The shot itself, then the playout's shots up to shot number 3 (none from shot 3 on).
  const Case cases[] = {{0, 3}, {1, 2}, {2, 1}, {3, 1}, {9, 1}, {14, 1}, {-5, 1}, {16, 1}};
  for (const Case& c : cases) {
    FakeSimulator::Reset();
    std::ostringstream log;
    const Node root =
        PrimitiveWorker(StateAt(c.shotNumber, false), RootWithChildren(2), StepConfig(log, 5));
    ASSERT_EQ(CheckTree(root, 4), "") << "shot " << c.shotNumber;
    EXPECT_EQ(FakeSimulator::Counts().simulation, 4 * c.callsPerSimulation)
        << "shot " << c.shotNumber;
  }
}

TEST(PrimitiveWorkerTest, ARootWithoutChildrenComesBackAtOnce) {
  std::ostringstream log;
  const Node root = PrimitiveWorker(StateAt(0, false), Node{}, StepConfig(log, 1'000'000'000));
  EXPECT_TRUE(root.children.empty());
  EXPECT_EQ(root.value.stats.playouts, 0u);
}

TEST(UCTWorkerTest, RunsOneIterationPerMillisecondOfTheStepClock) {
  std::ostringstream log;
  const Node root = UCTWorker(StateAt(6, false), RootWithChildren(4), StepConfig(log, 51));
  EXPECT_EQ(CheckTree(root, 50), "");
}

// Nodes below `node`.
std::uint64_t Descendants(const Node& node) {
  std::uint64_t count = node.children.size();
  for (const Node& child : node.children) count += Descendants(child);
  return count;
}

// A share of the memory that holds the root's children and 300 nodes more: the tree stops there,
// and the iterations go on through it, each counted, the statistics still adding up.
TEST(UCTWorkerTest, TheTreeStaysWithinItsShareOfTheMemoryAndTheIterationsGoOn) {
  constexpr std::uint64_t kShareNodes = 4 + 300;
  std::ostringstream log;
  SearchConfig config = StepConfig(log, 2001);
  const Node unbounded = UCTWorker(StateAt(6, false), RootWithChildren(4), config);
  ASSERT_GT(Descendants(unbounded), 2 * kShareNodes);  // so the limit has something to stop
  config.settings.workers = 2;                         // each worker has half of the limit
  config.settings.memoryBytes = 2 * kShareNodes * sizeof(Node);
  const Node bounded = UCTWorker(StateAt(6, false), RootWithChildren(4), config);
  EXPECT_LE(Descendants(bounded), kShareNodes);
  EXPECT_GT(Descendants(bounded), kShareNodes - kCandidateReserve);
  EXPECT_EQ(CheckTree(bounded, 2000), "");
}

TEST(UCTWorkerTest, FirstIterationsTryEveryRootChildOnceBeforeAnySecondSelection) {
  for (const int shotNumber : {0, 6, 15}) {
    const int k = 6;
    std::ostringstream log;
    // k iterations: each child once, evaluated by a playout or, at shot 15, directly.
    Node root = UCTWorker(StateAt(shotNumber, false), RootWithChildren(k), StepConfig(log, k + 1));
    ASSERT_EQ(CheckTree(root, k), "") << "shot " << shotNumber;
    for (const Node& child : root.children) {
      EXPECT_EQ(child.value.stats.visits, 1u) << "shot " << shotNumber;
      EXPECT_TRUE(child.children.empty()) << "shot " << shotNumber;
    }
    // One more: a child selected for the second time is expanded and one of its new children
    // evaluated in the same iteration, unless its shot ends the end.
    root = UCTWorker(StateAt(shotNumber, false), RootWithChildren(k), StepConfig(log, k + 2));
    ASSERT_EQ(CheckTree(root, k + 1), "") << "shot " << shotNumber;
    int expanded = 0;
    for (const Node& child : root.children) {
      if (child.value.stats.visits == 2) {
        expanded += child.children.empty() ? 0 : 1;
        if (shotNumber == 15) {
          EXPECT_TRUE(child.children.empty());
        }
      }
    }
    EXPECT_EQ(expanded, shotNumber == 15 ? 0 : 1) << "shot " << shotNumber;
  }
}

TEST(UCTWorkerTest, UnvisitedRootChildrenAreTriedInRandomOrder) {
  // The order of first selections, seen through which child a 1-iteration search picks, varies
  // with the worker's generator (seeded anew by every worker).
  std::set<std::size_t> picked;
  for (int run = 0; run < 40 && picked.size() < 2; ++run) {
    std::ostringstream log;
    const Node root = UCTWorker(StateAt(6, false), RootWithChildren(5), StepConfig(log, 2));
    for (std::size_t i = 0; i < root.children.size(); ++i) {
      if (root.children[i].value.stats.visits == 1) picked.insert(i);
    }
  }
  EXPECT_GE(picked.size(), 2u);
}

TEST(UCTWorkerTest, TerminalChildrenAreNeverExpanded) {
  std::ostringstream log;
  const Node root = UCTWorker(StateAt(15, true), RootWithChildren(3), StepConfig(log, 101));
  ASSERT_EQ(CheckTree(root, 100), "");
  for (const Node& child : root.children) {
    EXPECT_TRUE(child.children.empty());
    EXPECT_EQ(child.value.stats.rate, -1.0);  // side 1 to move: the end's 1 for side 0
  }
}

TEST(UCTWorkerTest, StatisticsAddUpThroughADeepTree) {
  for (const int shotNumber : {0, 10, 13}) {
    std::ostringstream log;
    CurlingGameState state = StateAt(shotNumber, shotNumber % 2 == 1);
    state.stones[0] = StonePosition{2.3f, 5.1f};
    Node root;
    AppendChildren(root, BuildCandidateList(state, log));
    root = UCTWorker(state, std::move(root), StepConfig(log, 601));
    EXPECT_EQ(CheckTree(root, 600), "") << "shot " << shotNumber;
    std::size_t depth = 0;
    for (const Node* node = &root; !node->children.empty(); ++depth) {
      const Node* next = &node->children.front();
      for (const Node& child : node->children) {
        if (child.value.stats.visits > next->value.stats.visits) next = &child;
      }
      node = next;
    }
    EXPECT_GE(depth, 2u) << "shot " << shotNumber;  // the tree has grown below the root
    EXPECT_EQ(log.str(), "");
  }
}

TEST(UCTIterationTest, RecordsTheRewardAndReturnsItNegated) {
  for (const bool side : {false, true}) {
    // Shot 15: the child ends the end, scored 1 for side 0.
    Node root = RootWithChildren(1);
    std::mt19937 rng(3);
    std::ostringstream log;
    const int value = UCTIteration(root, StateAt(15, side), rng, log);
    const int reward = side ? -1 : 1;
    EXPECT_EQ(value, -reward);
    EXPECT_EQ(root.children[0].value.stats.win, reward);
    EXPECT_EQ(root.value.stats.playouts, 1u);
    EXPECT_EQ(root.value.stats.visits, 0u);
  }
}

TEST(UCTIterationTest, SignsFlipAtEveryLevel) {
  // Shot 14, side 0 to move, the current end's slot holding 2 (as a server may send it).
  CurlingGameState state = StateAt(14, false);
  state.endScores[2] = 2;
  Node root = RootWithChildren(1);
  std::mt19937 rng(5);
  std::ostringstream log;
  // 1. First selection: the state after the shot (shot 15) is played out (nothing to play) and
  //    scored on the end in progress: 2 for side 0 to move, recorded as 2, returned as -2.
  EXPECT_EQ(UCTIteration(root, state, rng, log), -2);
  const Node& child = root.children[0];
  EXPECT_EQ(child.value.stats.win, 2.0);
  EXPECT_TRUE(child.children.empty());
  // 2. Second selection: expanded and descended. The grandchild's shot ends the end, 1 for side 0,
  //    seen from side 1 (to move at shot 15): -1 recorded there, +1 handed up and recorded into
  //    the child, -1 returned from the root's iteration.
  EXPECT_EQ(UCTIteration(root, state, rng, log), -1);
  ASSERT_FALSE(child.children.empty());
  EXPECT_EQ(child.value.stats.visits, 2u);
  EXPECT_EQ(child.value.stats.win, 3.0);
  EXPECT_EQ(child.value.stats.rate, 1.5);
  std::uint32_t grandchildVisits = 0;
  for (const Node& grandchild : child.children) {
    grandchildVisits += grandchild.value.stats.visits;
    if (grandchild.value.stats.visits == 1) {
      EXPECT_EQ(grandchild.value.stats.win, -1.0);
    }
  }
  EXPECT_EQ(grandchildVisits, 1u);
  EXPECT_EQ(CheckTree(root, 2), "");
}

}  // namespace
}  // namespace Curling
