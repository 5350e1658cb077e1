// The search against the real simulator library: rewards now vary from simulation to simulation,
// ends are completed by the library's own rules, and the statistics must still add up.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>

#include "search/tree/tree_search.h"
#include "search/tree/workers.h"
#include "search_test_support.h"
#include "shots/candidate_list.h"
#include "shots/random.h"

namespace Curling {
namespace {

using Testing::CheckTree;
using Testing::StepConfig;

struct Position {
  const char* name;
  CurlingGameState state;
};

CurlingGameState WithStones(int shotNumber, bool side,
                            std::initializer_list<StonePosition> stones) {
  CurlingGameState state;
  state.shotNumber = shotNumber;
  state.endNumber = 3;
  state.endScores[0] = 1;
  state.endScores[2] = -1;
  state.sideToMove = side;
  int slot = 0;
  for (const StonePosition& stone : stones) state.stones[slot++] = stone;
  return state;
}

std::vector<Position> Positions() {
  return {
      {"empty sheet", WithStones(0, false, {})},
      {"opening", WithStones(2, false, {{2.3f, 7.5f}, {2.5f, 4.7f}})},
      {"mid-end", WithStones(7, true,
                             {{2.2f, 7.9f},
                              {2.5f, 4.6f},
                              {0.0f, 0.0f},
                              {1.8f, 5.3f},
                              {2.9f, 8.4f},
                              {0.0f, 0.0f},
                              {2.4f, 3.9f}})},
      {"last shot", WithStones(15, true,
                               {{2.375f, 5.1f},
                                {2.0f, 4.5f},
                                {2.8f, 5.2f},
                                {0.0f, 0.0f},
                                {3.1f, 4.1f},
                                {2.4f, 6.3f},
                                {2.3f, 8.0f},
                                {0.0f, 0.0f},
                                {1.5f, 4.0f},
                                {3.3f, 5.5f},
                                {0.0f, 0.0f},
                                {2.1f, 3.5f},
                                {2.6f, 4.7f},
                                {1.9f, 7.2f},
                                {2.45f, 4.95f}})},
  };
}

Node RootFor(const CurlingGameState& state, std::ostream& log) {
  Node root;
  AppendChildren(root, BuildCandidateList(state, log));
  return root;
}

TEST(PhysicsSearchTest, PrimitiveMergesFourEqualPassesWithSinglePrecisionRates) {
  for (const Position& p : Positions()) {
    std::ostringstream log;
    Node root = RootFor(p.state, log);
    const std::size_t k = root.children.size();
    ASSERT_GE(k, 2u) << p.name;
    // Limit k + 4 ms: one full pass (2 ms left after it), then a second pass that goes on at 1
    // and 0 ms left and is left at -1, after its third simulation: k + 3 per worker.
    root = ParallelSearch(p.state, std::move(root), PrimitiveWorker,
                          StepConfig(log, static_cast<std::int64_t>(k) + 4));
    ASSERT_EQ(CheckTree(root, 4 * (k + 3)), "") << p.name;
    for (std::size_t i = 0; i < k; ++i) {
      const UCTState& s = root.children[i].value.stats;
      EXPECT_EQ(s.visits, i < 3 ? 8u : 4u) << p.name << " child " << i;
      const float rate = static_cast<float>(s.win) / static_cast<float>(s.visits);
      EXPECT_EQ(s.rate, static_cast<double>(rate)) << p.name << " child " << i;
      EXPECT_EQ(s.win, std::trunc(s.win)) << p.name;  // whole-number rewards
    }
    const Node& best = BestByRate(root);
    for (const Node& child : root.children) {
      if (&child == &best) break;
      EXPECT_LT(child.value.stats.rate, best.value.stats.rate) << p.name;
    }
    for (const Node& child : root.children) {
      EXPECT_LE(child.value.stats.rate, best.value.stats.rate) << p.name;
    }
    EXPECT_EQ(log.str(), "") << p.name;
  }
}

TEST(PhysicsSearchTest, UCTStatisticsAddUpAndSignsAlternate) {
  for (const Position& p : Positions()) {
    std::ostringstream log;
    const Node root = UCTWorker(p.state, RootFor(p.state, log), StepConfig(log, 401));
    EXPECT_EQ(CheckTree(root, 400), "") << p.name;
    EXPECT_EQ(log.str(), "") << p.name;
  }
  // Every iteration records r into the child it selected and returns -r.
  for (const Position& p : Positions()) {
    std::ostringstream log;
    Node root = RootFor(p.state, log);
    std::mt19937 rng(11);
    for (int i = 0; i < 100; ++i) {
      std::vector<UCTState> before;
      for (const Node& child : root.children) before.push_back(child.value.stats);
      const int value = UCTIteration(root, p.state, rng, log);
      int changed = 0;
      for (std::size_t c = 0; c < before.size(); ++c) {
        const UCTState& now = root.children[c].value.stats;
        if (now.visits == before[c].visits) continue;
        ++changed;
        EXPECT_EQ(now.visits, before[c].visits + 1);
        EXPECT_EQ(now.win, static_cast<double>(before[c].visits) * before[c].rate - value)
            << p.name << " iteration " << i;
      }
      EXPECT_EQ(changed, 1) << p.name << " iteration " << i;
    }
  }
}

TEST(PhysicsSearchTest, TheLastShotOfAnEndIsScoredWithoutExpansion) {
  const Position last = Positions().back();
  std::ostringstream log;
  const Node root = UCTWorker(last.state, RootFor(last.state, log), StepConfig(log, 301));
  ASSERT_EQ(CheckTree(root, 300), "");
  for (const Node& child : root.children) EXPECT_TRUE(child.children.empty());
}

TEST(PhysicsSearchTest, DriversAnswerEveryPosition) {
  for (const Position& p : Positions()) {
    for (const SearchDriver driver : {PrimitiveSearch, UCTSearch}) {
      std::ostringstream log;
      const SearchResult result = driver(p.state, StepConfig(log, 30));
      const CandidateList candidates = BuildCandidateList(p.state, log);
      EXPECT_EQ(result.candidateCount, static_cast<std::int32_t>(candidates.size())) << p.name;
      EXPECT_GT(result.playoutCount, 0u) << p.name;
      EXPECT_FALSE(result.best.shot.label.empty()) << p.name;
    }
  }
}

// Every field of a search result, floats in hexadecimal so that equal text means equal bits.
std::string Describe(const SearchResult& r) {
  const ShotVelocity& v = r.best.shot.velocity;
  char text[512];
  std::snprintf(text, sizeof text, "%d %u %s %a %a %d | %u %a %a", r.candidateCount, r.playoutCount,
                r.best.shot.label.c_str(), static_cast<double>(v.vx), static_cast<double>(v.vy),
                v.curl ? 1 : 0, r.best.samples, r.best.total, r.best.mean);
  return text;
}

// A seeded search whose workers stop after a number of simulations repeats exactly once the
// process-wide generator is seeded again: the workers' seeds are drawn in worker order, and every
// simulated shot's noise comes from its worker's generator. The count is exact, the last pass of
// "Primitive" left midway (100 is no multiple of the candidates).
TEST(PhysicsSearchTest, SeededSearchesWithAPlayoutLimitRepeatExactly) {
  constexpr std::uint32_t kPlayouts = 100;
  for (const Position& p : {Positions()[1], Positions()[2]}) {
    for (const SearchDriver driver : {PrimitiveSearch, UCTSearch}) {
      for (const int workers : {1, 3}) {
        const std::string name = std::string(p.name) +
                                 (driver == PrimitiveSearch ? " primitive " : " uct ") +
                                 std::to_string(workers);
        std::ostringstream log;
        const SearchConfig config{log,
                                  {.workers = workers, .playoutLimit = kPlayouts, .seeded = true}};
        SeedProcessGenerator(2024);
        const SearchResult first = driver(p.state, config);
        SeedProcessGenerator(2024);
        const SearchResult second = driver(p.state, config);
        EXPECT_EQ(Describe(first), Describe(second)) << name;
        EXPECT_EQ(first.playoutCount, static_cast<std::uint32_t>(workers) * kPlayouts) << name;
        EXPECT_NE(static_cast<std::int32_t>(kPlayouts) % first.candidateCount, 0) << name;
        EXPECT_EQ(log.str(), "") << name;
      }
    }
  }
}

}  // namespace
}  // namespace Curling
