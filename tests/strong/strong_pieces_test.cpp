// The pieces the "Strong" search is built from, each on its own against the real simulator: the
// greedy policy that plays out ends, and the kernel bandit's refinement and merging.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "curling/sheet.h"
#include "search/eval/evaluator.h"
#include "search/strong/refinement.h"
#include "search/strong/rollout_policy.h"

namespace Curling {
namespace {

StonePosition NearTee(double across, double along) {
  return StonePosition{static_cast<float>(kTeeX + across), static_cast<float>(kTeeY + along)};
}

double Distance(const ReleasePoint& a, const ReleasePoint& b) {
  return std::hypot(a.speed - b.speed, a.angle - b.angle);
}

// The greedy release played without noise, judged by where the stones come to rest. Catches a
// policy that aims at its own stones, keeps the worst candidate instead of the best, or draws to
// the wrong point.
TEST(GreedyRelease, ScoresForTheMoverWherePlayedWithoutNoise) {
  struct Case {
    const char* name;
    int shotNumber;
    bool sideToMove;
    std::vector<std::pair<int, StonePosition>> stones;
    bool drawsToTee;  // the stone played comes to rest near the tee
  };
  const Case cases[] = {
      {"empty sheet, first stone", 0, false, {}, true},
      {"empty house, the other side's guard out wide", 5, true, {{4, NearTee(-1.6, 4.0)}}, true},
      {"the other side on the tee, last stone", 15, true, {{0, NearTee(0, 0)}}, false},
      {"the other side in the house off centre", 6, false, {{1, NearTee(0.6, 0.3)}}, false},
      {"own stone on the tee, the other side's behind it",
       6,
       false,
       {{0, NearTee(0, 0)}, {1, NearTee(0.3, -1.0)}},
       false},
  };
  for (const Case& c : cases) {
    CurlingGameState state;
    state.shotNumber = c.shotNumber;
    state.endNumber = 2;
    state.sideToMove = c.sideToMove;
    for (const auto& [slot, stone] : c.stones) state.stones[slot] = stone;
    CurlingGameState after = state;
    ASSERT_EQ(Simulation(after.Record(), GreedyRelease(state), 0.0f, nullptr, 0), 0) << c.name;
    EXPECT_GE(EndScoreFor(state, after, c.sideToMove ? 1 : 0), 1) << c.name;
    if (c.drawsToTee) {
      const StonePosition played = after.stones[c.shotNumber];
      EXPECT_LT(std::hypot(played.x - kTeeX, played.y - kTeeY), 0.3) << c.name;
    }
  }
}

// Catches a play-out that stops early or runs past the end, ignores maxShots, or draws its noise
// from anything but the generator it is given (unrepeatable, or no noise at all).
TEST(PlayOutEnd, PlaysToTheEndOfTheEndOrMaxShotsRepeatablyPerSeed) {
  for (const int shot : {1, 6, 11, 15}) {
    CurlingGameState state;
    state.shotNumber = shot;
    state.endNumber = 4;
    state.sideToMove = shot % 2 == 1;
    std::mt19937 rng(7);
    const CurlingGameState closed = PlayOutEnd(state, rng);
    EXPECT_EQ(closed.shotNumber, 0) << shot;
    EXPECT_EQ(closed.endNumber, 5) << shot;
    for (const int maxShots : {1, 3}) {
      if (maxShots >= kShotsPerEnd - shot) continue;
      std::mt19937 again(7);
      const CurlingGameState part = PlayOutEnd(state, again, maxShots);
      EXPECT_EQ(part.shotNumber, shot + maxShots) << shot;
      EXPECT_EQ(part.endNumber, 4) << shot;
    }
  }
  // Stopped mid-end, so that the stones show the noise of every shot.
  CurlingGameState state;
  state.shotNumber = 3;
  state.sideToMove = true;
  const auto playOut = [&](unsigned seed) {
    std::mt19937 rng(seed);
    return PlayOutEnd(state, rng, 8);
  };
  const CurlingGameState first = playOut(1);
  const CurlingGameState repeat = playOut(1);
  EXPECT_EQ(std::memcmp(&first, &repeat, sizeof first), 0);
  bool differs = false;
  for (unsigned seed = 2; seed < 6; ++seed) {
    const CurlingGameState other = playOut(seed);
    differs = differs || std::memcmp(&first, &other, sizeof first) != 0;
  }
  EXPECT_TRUE(differs);
}

// Three arms of one curl, 20 units apart in angle from `a` on: no sample is shared between them.
KernelBandit ThreeArms(const ReleasePoint& a) {
  KernelBandit bandit;
  for (const double angle : {0.0, 20.0, 40.0}) {
    bandit.AddArm(ToVelocity({a.speed, a.angle + angle, a.curl}), "ARM", -1);
  }
  return bandit;
}

// Catches refinement around the wrong arms (the worst, or unpulled ones), a broken or curl-blind
// half-unit rule, and a count that disagrees with the arms added.
TEST(KernelBandit, RefineAddsArmsAroundTheLeadersOnly) {
  const ReleasePoint a = ToReleasePoint(ShotVelocity{0.05f, -2.2f, true});
  const double step = 1.0;
  KernelBandit unpulled = ThreeArms(a);
  EXPECT_EQ(unpulled.Refine(3, step), 0u);
  EXPECT_EQ(unpulled.Arms().size(), 3u);

  KernelBandit bandit = ThreeArms(a);  // A worth 1 and B worth 0 pulled, C never
  bandit.Record(0, bandit.Arms()[0].release, 1.0);
  bandit.Record(1, bandit.Arms()[1].release, 0.0);
  // One arm a fifth of a unit beyond A's step in speed; one of the other curl where A's step down
  // in angle lands, which must not crowd it.
  bandit.AddArm(ToVelocity({a.speed + step + 0.2, a.angle, a.curl}), "NEAR", -1);
  bandit.AddArm(ToVelocity({a.speed, a.angle - step, !a.curl}), "OTHER CURL", -1);
  const std::size_t before = bandit.Arms().size();
  const std::size_t added = bandit.Refine(1, step);
  const std::vector<Arm>& arms = bandit.Arms();
  EXPECT_EQ(added, 3u);
  ASSERT_EQ(arms.size(), before + added);
  for (std::size_t i = before; i < arms.size(); ++i) {
    EXPECT_EQ(arms[i].point.curl, a.curl) << i;
    EXPECT_NEAR(Distance(arms[i].point, a), step, 1e-3) << i;
    for (std::size_t j = 0; j < arms.size(); ++j) {
      if (j == i || arms[j].point.curl != a.curl) continue;
      EXPECT_GE(Distance(arms[i].point, arms[j].point), 0.5) << i << " " << j;
    }
  }
}

// Catches a choice of an arm never sampled itself: B, next to A, knows only A's samples (the one
// executed toward B, worth 1, counts more for it than the other, worth -1) and leads A on its
// estimate and weight, but A is played.
TEST(KernelBandit, BestPlaysOnlyAnArmSampledItself) {
  const ReleasePoint a = ToReleasePoint(ShotVelocity{0.05f, -2.2f, true});
  const ReleasePoint b{a.speed, a.angle + 1.0, a.curl};
  KernelBandit bandit;
  bandit.AddArm(ToVelocity(a), "A", -1);
  bandit.AddArm(ToVelocity(b), "B", -1);
  bandit.Record(0, ToVelocity(b), 1.0);
  bandit.Record(0, ToVelocity({a.speed, a.angle - 1.0, a.curl}), -1.0);
  ASSERT_GT(bandit.Arms()[1].Mean(), bandit.Arms()[0].Mean() + 0.5);
  ASSERT_GT(bandit.Arms()[1].weight, 1.5);
  EXPECT_EQ(bandit.Arms()[1].pulls, 0u);
  EXPECT_EQ(bandit.Best(), 0u);
}

// Catches a merge that forgets the sample count, reaches past `count` into refined arms, or adds
// anything but the other worker's statistics.
TEST(KernelBandit, MergeSharedIsRecordingEverySampleInOneBandit) {
  const ReleasePoint a = ToReleasePoint(ShotVelocity{-0.03f, -2.3f, false});
  const auto start = [&] {
    KernelBandit bandit;  // three arms close enough to share samples
    for (const double angle : {0.0, 0.7, 1.4}) {
      bandit.AddArm(ToVelocity({a.speed, a.angle + angle, a.curl}), "ARM", -1);
    }
    return bandit;
  };
  KernelBandit mine = start();
  KernelBandit theirs = start();
  KernelBandit all = start();
  const auto record = [&](KernelBandit& bandit, std::size_t arm, double value) {
    bandit.Record(arm, bandit.Arms()[arm].release, value);
    all.Record(arm, all.Arms()[arm].release, value);
  };
  record(mine, 0, 1.0);
  record(mine, 1, -1.0);
  record(theirs, 2, 2.0);
  record(theirs, 2, 0.5);
  record(theirs, 0, 0.0);
  // Each worker refines around its own leader: the arms beyond the shared three differ.
  ASSERT_GT(mine.Refine(1, 2.0), 0u);
  ASSERT_GT(theirs.Refine(1, 2.0), 0u);
  const KernelBandit unmerged = mine;
  mine.MergeShared(theirs, 3);

  EXPECT_EQ(mine.Samples(), unmerged.Samples() + theirs.Samples());
  EXPECT_EQ(mine.Samples(), all.Samples());
  for (std::size_t i = 0; i < 3; ++i) {
    const Arm& merged = mine.Arms()[i];
    EXPECT_DOUBLE_EQ(merged.weight, unmerged.Arms()[i].weight + theirs.Arms()[i].weight) << i;
    EXPECT_DOUBLE_EQ(merged.value, unmerged.Arms()[i].value + theirs.Arms()[i].value) << i;
    EXPECT_NEAR(merged.weight, all.Arms()[i].weight, 1e-9) << i;
    EXPECT_NEAR(merged.Mean(), all.Arms()[i].Mean(), 1e-9) << i;
  }
  ASSERT_EQ(mine.Arms().size(), unmerged.Arms().size());
  for (std::size_t i = 3; i < mine.Arms().size(); ++i) {
    EXPECT_EQ(mine.Arms()[i].weight, unmerged.Arms()[i].weight) << i;
    EXPECT_EQ(mine.Arms()[i].value, unmerged.Arms()[i].value) << i;
  }
}

// Catches a store that outgrows its limit, or a limit that changes what the arms' own estimates
// count: over 100 samples a store of 10 keeps 10, and every arm's statistics are those of an
// unbounded bandit fed the same samples.
TEST(KernelBandit, TheStoreKeepsWithinItsLimitAndTheArmsCountEverySample) {
  const ReleasePoint a = ToReleasePoint(ShotVelocity{0.02f, -2.25f, true});
  KernelBandit bounded = ThreeArms(a);
  KernelBandit unbounded = ThreeArms(a);
  bounded.LimitStore(10 * KernelBandit::StoreBytes());
  for (int i = 0; i < 100; ++i) {
    const std::size_t arm = static_cast<std::size_t>(i % 3);
    const ReleasePoint executed{a.speed + 0.01 * (i % 7), a.angle + 20.0 * arm, a.curl};
    bounded.Record(arm, ToVelocity(executed), i % 5 - 2.0);
    unbounded.Record(arm, ToVelocity(executed), i % 5 - 2.0);
  }
  EXPECT_EQ(bounded.StoredSamples(), 10u);
  EXPECT_EQ(unbounded.StoredSamples(), 100u);
  EXPECT_EQ(bounded.Samples(), 100u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(bounded.Arms()[i].weight, unbounded.Arms()[i].weight) << i;
    EXPECT_EQ(bounded.Arms()[i].value, unbounded.Arms()[i].value) << i;
  }
  bounded.LimitStore(0);
  EXPECT_EQ(bounded.StoredSamples(), 0u);
}

}  // namespace
}  // namespace Curling
