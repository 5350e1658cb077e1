#include "search/tree/playout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>

#include "fake_simulator.h"

namespace Curling {
namespace {

bool SameBytes(const CurlingGameState& a, const CurlingGameState& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(ApplyShotTest, PlaysACopyWithTheEnginesFixedArguments) {
  FakeSimulator::Reset();
  CurlingGameState state;
  state.shotNumber = 4;
  const CurlingMoveState shot(2.375, 6.0, "TEE", true, -1, false);
  const CurlingGameState after = ApplyShot(state, shot);
  EXPECT_EQ(state.shotNumber, 4);
  EXPECT_EQ(after.shotNumber, 5);
  EXPECT_EQ(FakeSimulator::Counts().simulation, 1u);
  const FakeSimulator::LastArguments last = FakeSimulator::Last();
  EXPECT_EQ(last.shot.vx, shot.velocity.vx);
  EXPECT_EQ(last.shot.vy, shot.velocity.vy);
  EXPECT_EQ(last.noise, 0.3f);
  EXPECT_TRUE(last.executedWasNull);
  EXPECT_EQ(last.seed, -1);
}

TEST(PlayoutTest, CompletesTheOpeningUpToShotThreeAndLeavesLaterStatesAlone) {
  struct Case {
    int shotNumber;
    std::uint64_t shotsPlayed;
    int shotNumberAfter;
  };
  const Case cases[] = {
      {0, 3, 3},
      {1, 2, 3},
      {2, 1, 3},
      {3, 0, 3},
      {7, 0, 7},
      {15, 0, 15},
      {16, 0, 16},
      {-1, 0, -1},
      {-5, 0, -5},  // outside the record's limits: left as they are
      {std::numeric_limits<int>::min(), 0, std::numeric_limits<int>::min()},
  };
  for (const Case& c : cases) {
    FakeSimulator::Reset();
    CurlingGameState state;
    state.shotNumber = c.shotNumber;
    state.stones[8] = StonePosition{2.0f, 5.0f};
    std::mt19937 rng(1);
    std::ostringstream log;
    const CurlingGameState after = Playout(state, rng, log);
    EXPECT_EQ(FakeSimulator::Counts().simulation, c.shotsPlayed) << "shot " << c.shotNumber;
    EXPECT_EQ(after.shotNumber, c.shotNumberAfter) << "shot " << c.shotNumber;
    if (c.shotsPlayed == 0) {
      EXPECT_TRUE(SameBytes(after, state)) << "shot " << c.shotNumber;
    }
    EXPECT_EQ(log.str(), "");
  }
}

TEST(PlayoutTest, PicksItsShotsFromTheCandidateListsWithTheGivenGenerator) {
  CurlingGameState state;  // empty sheet, shot 0
  std::ostringstream log;
  std::mt19937 a(42);
  std::mt19937 b(42);
  const CurlingGameState first = Playout(state, a, log);
  const CurlingGameState second = Playout(state, b, log);
  // The fake is noiseless: equal generators make equal playouts, each stone where a candidate
  // of the list aims.
  EXPECT_TRUE(SameBytes(first, second));
  EXPECT_EQ(a(), b());
  for (int slot = 0; slot < 3; ++slot) EXPECT_GT(first.stones[slot].y, 0.0f) << slot;
  // Another generator state makes another choice at least once in a few tries.
  bool differs = false;
  for (std::uint32_t seed = 1; seed < 20 && !differs; ++seed) {
    std::mt19937 other(seed);
    differs = !SameBytes(Playout(state, other, log), first);
  }
  EXPECT_TRUE(differs);
}

TEST(TruncateRewardTest, TruncatesTowardZeroWithinTheIntRange) {
  const double inf = std::numeric_limits<double>::infinity();
  const double cases[][2] = {
      {0.0, 0},
      {2.0, 2},
      {-2.0, -2},
      {2.9, 2},
      {-2.9, -2},
      {-0.5, 0},
      {8.0, 8},
      {2147483647.0, 2147483647},
      {2147483648.0, 2147483647},
      {-2147483648.0, -2147483647},
      {inf, 2147483647},
      {-inf, -2147483647},
      {std::nan(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(TruncateReward(c[0]), c[1]) << c[0];
}

}  // namespace
}  // namespace Curling
