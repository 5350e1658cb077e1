#include "search/tree/tree_search.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "fake_simulator.h"
#include "search/tree/workers.h"
#include "search_test_support.h"
#include "shots/candidate_list.h"
#include "shots/random.h"

namespace Curling {
namespace {

using Testing::CheckTree;
using Testing::RootWithChildren;
using Testing::StepConfig;

bool SameShot(const CurlingMoveState& a, const CurlingMoveState& b) {
  return a.label == b.label && a.target.x == b.target.x && a.target.y == b.target.y &&
         a.target.curl == b.target.curl && a.power == b.power;
}

TEST(ParallelSearchTest, ShufflesOnceWithTheFixedSeedAndAddsUpFourWorkers) {
  CurlingGameState state;
  state.shotNumber = 15;  // every child ends the end: reward 1 for side 0 to move
  std::ostringstream log;
  // 4 children, 3 ms: each worker runs 3 simulations, on the children at positions 0 to 2.
  const Node root = ParallelSearch(state, RootWithChildren(4), PrimitiveWorker, StepConfig(log, 3));
  // Length 4 is permuted to 2, 0, 3, 1; the children were aimed at y = 10 to 13.
  ASSERT_EQ(root.children.size(), 4u);
  const float order[] = {12.0f, 10.0f, 13.0f, 11.0f};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(root.children[i].value.shot.target.y, order[i]);
  ASSERT_EQ(CheckTree(root, 12), "");
  for (std::size_t i = 0; i < 3; ++i) {
    const UCTState& s = root.children[i].value.stats;
    EXPECT_EQ(s.visits, 4u);
    EXPECT_EQ(s.win, 4.0);
    EXPECT_EQ(s.rate, 1.0);
    EXPECT_EQ(s.ucb, 1.25809192945888626);  // merged: rate + the exploration term of n = 4
  }
  const UCTState& unvisited = root.children[3].value.stats;
  EXPECT_EQ(unvisited.visits, 0u);
  EXPECT_EQ(unvisited.rate, 0.0);
  EXPECT_EQ(unvisited.ucb, 0.0);
}

TEST(ParallelSearchTest, TheSamePermutationForEveryListOfOneLength) {
  CurlingGameState state;
  std::ostringstream log;
  for (const int length : {1, 2, 3, 7, 30}) {
    const Node a = ParallelSearch(state, RootWithChildren(length), UCTWorker, StepConfig(log, 1));
    const Node b = ParallelSearch(state, RootWithChildren(length), UCTWorker, StepConfig(log, 1));
    std::vector<int> expected(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) expected[static_cast<std::size_t>(i)] = i;
    ShuffleFixedSeed(expected);
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(a.children[i].value.shot.target.y, 10.0f + static_cast<float>(expected[i]));
      EXPECT_EQ(b.children[i].value.shot.target.y, a.children[i].value.shot.target.y);
    }
  }
}

TEST(ParallelSearchTest, UCTWorkersDoNotReachTheResultBelowTheRootsChildren) {
  CurlingGameState state;
  state.shotNumber = 8;
  state.stones[2] = StonePosition{2.4f, 5.0f};
  std::ostringstream log;
  Node root;
  AppendChildren(root, BuildCandidateList(state, log));
  const std::size_t k = root.children.size();
  root = ParallelSearch(state, std::move(root), UCTWorker, StepConfig(log, 101));
  EXPECT_EQ(root.children.size(), k);
  std::uint32_t visits = 0;
  for (const Node& child : root.children) {
    EXPECT_TRUE(child.children.empty());
    EXPECT_EQ(child.value.stats.visits, child.value.stats.playouts);
    visits += child.value.stats.visits;
  }
  EXPECT_EQ(root.value.stats.playouts, 400u);
  EXPECT_EQ(visits, 400u);
  EXPECT_EQ(root.value.stats.visits, 0u);
}

TEST(BestChildTest, FirstChildWithTheStrictlyLargestValueWins) {
  struct Case {
    std::vector<double> rates;
    std::vector<std::uint32_t> visits;
    std::size_t bestByRate;
    std::size_t bestByVisits;
  };
  const Case cases[] = {
      {{0.5}, {3}, 0, 0},
      {{0.0, 0.0, 0.0}, {0, 0, 0}, 0, 0},
      {{-1.0, 0.5, 0.5}, {2, 7, 7}, 1, 1},
      {{0.25, -0.5, 0.75}, {9, 1, 8}, 2, 0},
      {{-2.0, -1.0, -1.5}, {1, 2, 3}, 1, 2},
      {{0.3333333432674408, 0.33333333333333331}, {4, 4}, 0, 0},
  };
  for (const Case& c : cases) {
    Node root = RootWithChildren(static_cast<int>(c.rates.size()));
    for (std::size_t i = 0; i < c.rates.size(); ++i) {
      root.children[i].value.stats.rate = c.rates[i];
      root.children[i].value.stats.visits = c.visits[i];
    }
    EXPECT_EQ(&BestByRate(root), &root.children[c.bestByRate]);
    EXPECT_EQ(&BestByVisits(root), &root.children[c.bestByVisits]);
  }
}

TEST(SearchDriverTest, BothDriversReportTheirCountsAndACopyOfTheBestChild) {
  struct Case {
    SearchDriver driver;
    std::uint32_t playouts;  // the four workers together, on a 5 ms step clock
  };
  const Case cases[] = {{PrimitiveSearch, 4 * 5}, {UCTSearch, 4 * 4}};
  for (const Case& c : cases) {
    CurlingGameState state;  // empty sheet at shot 0: 14 candidates
    const CurlingGameState before = state;
    std::ostringstream log;
    const SearchResult result = c.driver(state, StepConfig(log, 5));
    EXPECT_EQ(result.candidateCount, 14);
    EXPECT_EQ(result.playoutCount, c.playouts);
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
    EXPECT_EQ(log.str(), "");
    // Every reward is 0 here (no end is completed). "Primitive" ties go to the first child of the
    // twice shuffled list; "UCT" answers a child that some worker tried.
    CandidateList expected = BuildCandidateList(state, log);
    ShuffleFixedSeed(expected);
    if (c.driver == PrimitiveSearch) {
      EXPECT_TRUE(SameShot(result.best.shot, expected.front().value.shot))
          << result.best.shot.label;
    } else {
      EXPECT_GE(result.best.samples, 1u);
      EXPECT_LE(result.best.samples, 4u);
      bool found = false;
      for (const Node& candidate : expected)
        found |= SameShot(result.best.shot, candidate.value.shot);
      EXPECT_TRUE(found);
    }
    EXPECT_EQ(result.best.mean, 0.0);
  }
}

TEST(SearchDriverTest, PrimitiveAnswersTheChildWithTheBestMergedRate) {
  // Shot 15, side 1 to move: every completed end gives side 0 a point, so all children rate -1;
  // the tie goes to the first child.
  CurlingGameState state;
  state.shotNumber = 15;
  state.sideToMove = true;
  state.stones[3] = StonePosition{2.4f, 4.9f};
  std::ostringstream log;
  const SearchResult result = PrimitiveSearch(state, StepConfig(log, 40));
  ASSERT_GT(result.candidateCount, 0);
  EXPECT_EQ(result.best.mean, -1.0);
  CandidateList expected = BuildCandidateList(state, log);
  ShuffleFixedSeed(expected);
  EXPECT_TRUE(SameShot(result.best.shot, expected.front().value.shot));
}

TEST(SearchDriverTest, APositionWithoutCandidatesIsAnsweredWithADrawToTheTee) {
  for (const SearchDriver driver : {PrimitiveSearch, UCTSearch}) {
    // A side byte other than 0 or 1 past the early shots fits no situation class.
    CurlingGameState state;
    state.shotNumber = 9;
    state.stones[0] = StonePosition{2.0f, 5.0f};
    const std::uint8_t side = 2;
    std::memcpy(&state.sideToMove, &side, 1);
    FakeSimulator::Reset();
    std::ostringstream log;
    const SearchResult result = driver(state, StepConfig(log, 1'000'000));
    EXPECT_EQ(result.candidateCount, 0);
    EXPECT_EQ(result.playoutCount, 0u);
    EXPECT_EQ(result.best.shot.label, "TEE");
    EXPECT_EQ(result.best.shot.target.x, 2.375f);
    EXPECT_EQ(result.best.shot.target.y, 4.88f);
    EXPECT_TRUE(result.best.shot.target.curl);
    EXPECT_EQ(result.best.shot.power, -1.0);
    const ShotVelocity tee = FakeSimulator::DrawRelease(result.best.shot.target);
    EXPECT_EQ(result.best.shot.velocity.vx, tee.vx);
    EXPECT_EQ(result.best.shot.velocity.vy, tee.vy);
    EXPECT_EQ(result.best.samples, 0u);
    // The one release computed is the tee's; nothing is simulated.
    EXPECT_EQ(FakeSimulator::Counts().createShot, 1u);
    EXPECT_EQ(FakeSimulator::Counts().simulation, 0u);
    EXPECT_EQ(log.str(), "State error\nerror");
  }
}

}  // namespace
}  // namespace Curling
