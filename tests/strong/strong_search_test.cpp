// The "Strong" search against the real simulator: the win-probability table, the value of an
// end's outcome, the root's screen, the objective it plays for, and refinement finding a release
// that no root arm offers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>

#include "search/eval/game_value.h"
#include "search/strong/refinement.h"
#include "search/strong/strong_search.h"
#include "shots/candidate_list.h"
#include "shots/random.h"
#include "shots/shot_families.h"

namespace Curling {
namespace {

TEST(WinTable, IsSymmetricMonotoneAndBoundedAtTheEnds) {
  for (int ends = 0; ends <= 10; ++ends) {
    for (int lead = -kWinTableMaxLead; lead <= kWinTableMaxLead; ++lead) {
      for (const bool hammer : {false, true}) {
        const double p = WinProbability(ends, lead, hammer);
        ASSERT_GE(p, 0.0);
        ASSERT_LE(p, 1.0);
        // What one side wins the other loses: the other has the opposite lead and hammer.
        ASSERT_NEAR(p + WinProbability(ends, -lead, !hammer), 1.0, 1e-9) << ends << " " << lead;
        if (lead < kWinTableMaxLead) {
          ASSERT_LE(p, WinProbability(ends, lead + 1, hammer));
        }
      }
      if (ends > 0) {
        ASSERT_GE(WinProbability(ends, lead, true), WinProbability(ends, lead, false));
      }
    }
    if (ends > 0) {
      EXPECT_GT(WinProbability(ends, 0, true), 0.5) << ends;
    }
  }
  // No end left: the side ahead has won, a tie is half a win.
  EXPECT_EQ(WinProbability(0, 1, false), 1.0);
  EXPECT_EQ(WinProbability(0, 0, true), 0.5);
  EXPECT_EQ(WinProbability(0, -1, true), 0.0);
  // Leads beyond the table count as its largest; ends beyond ten as ten.
  EXPECT_EQ(WinProbability(3, 40, false), WinProbability(3, kWinTableMaxLead, false));
  EXPECT_EQ(WinProbability(12, -2, true), WinProbability(10, -2, true));
}

// What "Strong" values a sample by, for the side to move in `before`.
double StrongValue(const CurlingGameState& before, const CurlingGameState& after,
                   Objective objective) {
  return FittedEndEvaluator().Value(before, after, SideToMove(before), objective);
}

TEST(GameValue, AWonGameIsWorthOneAndALostOneZero) {
  CurlingGameState over;
  over.endNumber = 10;
  over.endScores[0] = 2;
  over.endScores[7] = -1;
  EXPECT_EQ(GameValueAfterEnd(over, 0), 1.0);
  EXPECT_EQ(GameValueAfterEnd(over, 1), 0.0);
  over.endScores[9] = -1;  // level after ten ends
  EXPECT_EQ(GameValueAfterEnd(over, 0), 0.5);

  // Eight points up before the last end the game is won whatever the end gives, and the points
  // still order the outcomes: two scored, then a blank end, then a steal against.
  CurlingGameState before;
  before.endNumber = 9;
  before.shotNumber = 15;
  before.sideToMove = true;
  before.endScores[0] = -8;
  double previous = 1.0;
  for (const int score : {-2, 0, 1}) {
    CurlingGameState closed = before;
    closed.shotNumber = 0;
    closed.endNumber = 10;
    closed.endScores[9] = score;
    const double value = StrongValue(before, closed, Objective::kGame);
    EXPECT_LT(value, previous) << score;
    previous = value;
  }
}

// The last shot of an end, side 1 (with the hammer) to throw, `lead` points up; the end closes
// with `points` for it. With ends left the hammer decides: the side that scores gives it up and a
// blank end keeps it. The expected changes are worked from the table's symmetry, p(lead, no
// hammer) = 1 - p(-lead, hammer) for the other side, not from the evaluator's own lookups; in the
// last end the game is decided: won 1, tied 0.5, lost 0.
TEST(GameValue, TheEndsScorerGivesUpTheHammerAndABlankEndKeepsIt) {
  const double level = WinProbability(5, 0, true);  // side 1's chance before the fifth end's shot
  const struct {
    int end;
    int lead;
    int points;  // side 1's score in the end
    double change;
  } cases[] = {
      {4, 0, 1, (1.0 - WinProbability(5, -1, true)) - level + kGamePointsWeight},
      {4, 0, 0, 0.0},
      {4, 0, -1, (1.0 - WinProbability(5, 1, false)) - level - kGamePointsWeight},
      {4, 0, 2, (1.0 - WinProbability(5, -2, true)) - level + 2 * kGamePointsWeight},
      // One down in the last end: two win the game outright, one ties it, a blank end loses it.
      {9, -1, 2, 1.0 + 0.04},
      {9, -1, 1, 0.5 + 0.02},
      {9, -1, 0, 0.0},
  };
  for (const auto& c : cases) {
    CurlingGameState before;
    before.endNumber = c.end;
    before.shotNumber = 15;
    before.sideToMove = true;
    before.endScores[0] = -c.lead;  // scores are kept from side 0's view
    CurlingGameState closed = before;
    closed.shotNumber = 0;
    closed.endNumber = c.end + 1;
    closed.endScores[c.end] = -c.points;
    EXPECT_NEAR(StrongValue(before, closed, Objective::kGame), c.change, 1e-12)
        << c.end << " " << c.points;
  }
}

// The last shot of an end: side 1 throws, one side-0 stone lies on the tee.
CurlingGameState StoneOnTheTee() {
  CurlingGameState state;
  state.shotNumber = 15;
  state.sideToMove = true;
  state.stones[0] = StonePosition{static_cast<float>(kTeeX), static_cast<float>(kTeeY)};
  return state;
}

// The mean points of `release` over `samples` fixed seeds, the same for every release.
double MeanPoints(const CurlingGameState& state, const ShotVelocity& release, int samples) {
  std::mt19937 rng(12345);
  double sum = 0.0;
  for (int i = 0; i < samples; ++i) {
    ShotVelocity executed{};
    sum += SampleRelease(state, release, rng, FittedEndEvaluator(), Objective::kPoints, executed);
  }
  return sum / samples;
}

bool SameRelease(const ShotVelocity& a, const ShotVelocity& b) {
  return a.vx == b.vx && a.vy == b.vy && a.curl == b.curl;
}

// A draw to the tee loses about 0.67 points here; a hit (a soft one at power 3 or 5, or a raise
// off the stone) about 0. The search refines around the leading hits and plays a release that no
// root arm offers, as good as the best of them (within what 1000 samples tell apart).
TEST(Refinement, PlaysARefinedReleaseAsGoodAsTheBestRootArm) {
  const CurlingGameState state = StoneOnTheTee();
  SeedProcessGenerator(11);
  std::ostringstream searchLog;
  SearchConfig config{searchLog, {.workers = 1, .playoutLimit = 4000, .seeded = true}};
  config.objective = Objective::kPoints;
  const SearchResult result = StrongSearch(state, config);
  const ShotVelocity chosen = result.best.shot.velocity;
  std::ostringstream log;
  double bestRoot = -100.0;
  double teeDraw = 0.0;
  const KernelBandit root = StrongRootArms(state, log);
  for (const Arm& arm : root.Arms()) {
    EXPECT_FALSE(SameRelease(arm.release, chosen)) << arm.label << " " << arm.power;
    const double mean = MeanPoints(state, arm.release, 1000);
    bestRoot = std::max(bestRoot, mean);
    if (arm.label == "TEE") teeDraw = mean;
  }
  const double value = MeanPoints(state, chosen, 1000);
  EXPECT_LT(teeDraw, -0.4);
  EXPECT_GT(value, bestRoot - 0.05) << result.best.shot.label << " " << result.best.shot.power;
  EXPECT_GT(value, teeDraw + 0.4);
  EXPECT_NE(searchLog.str().find("strong samples 4000"), std::string::npos) << searchLog.str();
}

TEST(Refinement, KernelSharesSamplesByDistanceAndCurl) {
  const ShotVelocity release{0.1f, -2.1f, true};
  const ReleasePoint point = ToReleasePoint(release);
  const ShotVelocity back = ToVelocity(point);
  EXPECT_NEAR(back.vx, release.vx, 1e-5);
  EXPECT_NEAR(back.vy, release.vy, 1e-5);
  EXPECT_EQ(KernelWeight(point, point), 1.0);
  EXPECT_NEAR(KernelWeight(point, ReleasePoint{point.speed + 1.0, point.angle, true}),
              std::exp(-0.5), 1e-12);
  EXPECT_EQ(KernelWeight(point, ReleasePoint{point.speed, point.angle, false}), 0.0);
  EXPECT_EQ(KernelWeight(point, ReleasePoint{point.speed + 5.0, point.angle, true}), 0.0);

  // A sample recorded at one arm moves its neighbour's estimate, not a far arm's.
  KernelBandit bandit;
  bandit.AddArm(release, "A", -1);
  bandit.AddArm(ToVelocity(ReleasePoint{point.speed, point.angle + 0.5, true}), "B", -1);
  bandit.AddArm(ToVelocity(ReleasePoint{point.speed, point.angle + 9.0, true}), "C", -1);
  EXPECT_EQ(bandit.Select(), 0u);
  bandit.Record(0, release, 2.0);
  EXPECT_DOUBLE_EQ(bandit.Arms()[1].Mean(), 2.0);
  EXPECT_GT(bandit.Arms()[1].weight, 0.8);
  EXPECT_EQ(bandit.Arms()[2].weight, 0.0);
  EXPECT_EQ(bandit.Select(), 1u);  // unpulled arms first, in order

  // An arm's own samples count in full wherever they were executed: its estimate is their plain
  // mean, not one that favours the samples executed close to the release (which would value the
  // arm as if its error were smaller). A neighbour's share is the likelihood ratio.
  KernelBandit own;
  own.AddArm(release, "A", -1);
  const ReleasePoint near{point.speed, point.angle + 1.0, true};
  own.AddArm(ToVelocity(near), "B", -1);
  own.Record(0, release, 1.0);
  own.Record(0, ToVelocity(ReleasePoint{point.speed + 1.5, point.angle, true}), 4.0);
  EXPECT_NEAR(own.Arms()[0].Mean(), 2.5, 1e-9);
  EXPECT_NEAR(own.Arms()[0].weight, 2.0, 1e-9);
  EXPECT_NEAR(ShareWeight(near, point, point), std::exp(-0.5), 1e-12);
  EXPECT_NEAR(ShareWeight(point, near, point), 1.0 / std::exp(-0.5), 1e-12);
  EXPECT_EQ(ShareWeight(ReleasePoint{point.speed, point.angle + 2.0, true}, point, point), 0.0);
  // Executed three units off toward an arm at the edge of the reach: the ratio (about 29) is
  // capped at five.
  EXPECT_EQ(ShareWeight(ReleasePoint{point.speed, point.angle + 1.5, true}, point,
                        ReleasePoint{point.speed, point.angle + 3.0, true}),
            5.0);
  // Even executed beyond the kernel's reach (five units), where the neighbour gets nothing.
  own.Record(0, ToVelocity(ReleasePoint{point.speed + 5.0, point.angle, true}), 7.0);
  EXPECT_NEAR(own.Arms()[0].Mean(), 4.0, 1e-9);
  EXPECT_NEAR(own.Arms()[0].weight, 3.0, 1e-9);
}

// The screen's value of `release` played from `state` without noise.
double ScreenAfter(const CurlingGameState& state, const ShotVelocity& release) {
  CurlingGameState after = state;
  if (Simulation(after.Record(), release, 0.0f, nullptr, 0) != 0) return -1e9;
  return ScreenEvaluator().Value(state, after, SideToMove(state), Objective::kPoints);
}

// Shot 5, stones in and around the house: the families alone propose 76 releases. Catches a screen
// that keeps the wrong ones (the worst, or the first proposed) or puts the generated draws and
// hits before the families' candidates.
TEST(StrongRootArms, KeepTheThirtyTwoReleasesTheScreenValuesBestInTheOrderProposed) {
  CurlingGameState state;
  state.shotNumber = 5;
  state.sideToMove = true;
  const float stones[][2] = {
      {2.375f, 4.88f}, {2.9f, 5.6f}, {1.8f, 7.4f}, {2.5f, 3.6f}, {3.3f, 4.7f}};
  for (std::size_t i = 0; i < std::size(stones); ++i) {
    state.stones[i] = StonePosition{stones[i][0], stones[i][1]};
  }
  std::ostringstream log;
  const KernelBandit root = StrongRootArms(state, log);
  ASSERT_EQ(root.Arms().size(), 32u);
  double worstKept = 1e9;
  bool generated = false;
  for (const Arm& arm : root.Arms()) {
    worstKept = std::min(worstKept, ScreenAfter(state, arm.release));
    const bool family = arm.label != "DRAW" && arm.label != "HIT";
    EXPECT_FALSE(family && generated) << arm.label;
    generated = generated || !family;
  }
  int kept = 0;
  int dropped = 0;
  for (const Node& node : BuildCandidateList(state, log)) {
    const ShotVelocity& release = node.value.shot.velocity;
    const double value = ScreenAfter(state, release);
    const bool isArm = std::any_of(root.Arms().begin(), root.Arms().end(), [&](const Arm& arm) {
      return SameRelease(arm.release, release);
    });
    if (value > worstKept) {
      EXPECT_TRUE(isArm) << node.value.shot.label;
      ++kept;
    } else if (value < worstKept) {
      EXPECT_FALSE(isArm) << node.value.shot.label;
      ++dropped;
    }
  }
  EXPECT_GT(kept, 0);
  EXPECT_GT(dropped, 0);
}

// Counts the objectives it is asked for and values every position 0.
class ObjectiveProbe final : public Evaluator {
 public:
  double Value(const CurlingGameState&, const CurlingGameState&, int,
               Objective objective) const override {
    ++(objective == Objective::kGame ? game : points);
    return 0.0;
  }
  mutable std::atomic<int> points{0};
  mutable std::atomic<int> game{0};
};

// "Strong" plays for the end's points before the last two ends of ten and for the game in them,
// unless its configuration names the objective.
TEST(StrongSearch, PlaysForTheGameInTheLastTwoEndsUnlessTold) {
  struct Case {
    int end;
    std::optional<Objective> configured;
    bool game;
  };
  const Case cases[] = {{0, {}, false},
                        {7, {}, false},
                        {8, {}, true},
                        {9, {}, true},
                        {9, Objective::kPoints, false},
                        {3, Objective::kGame, true}};
  for (const Case& c : cases) {
    CurlingGameState state;
    state.endNumber = c.end;
    ObjectiveProbe probe;
    std::ostringstream log;
    SearchConfig config{log, {.workers = 1, .playoutLimit = 40}};
    config.settings.evaluator = &probe;
    config.objective = c.configured;
    StrongSearch(state, config);
    EXPECT_EQ(probe.game, c.game ? 40 : 0) << c.end;
    EXPECT_EQ(probe.points, c.game ? 0 : 40) << c.end;
  }
}

}  // namespace
}  // namespace Curling
