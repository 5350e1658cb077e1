// The learned value of an end in progress: its features, whose side it is for, and the fit.
#include <gtest/gtest.h>

#include <vector>

#include "search/eval/end_value.h"
#include "shots/shot_families.h"

namespace Curling {
namespace {

// A stone `along` metres in front of the tee (toward the thrower) and `across` to the side.
StonePosition At(double across, double along) {
  return StonePosition{static_cast<float>(kTeeX + across), static_cast<float>(kTeeY + along)};
}

TEST(EndValue, FeaturesSeeTheStonesFromTheHammersSide) {
  // Side 0 to move at shot 8: side 1 has the hammer and the odd slots. `score` is the running
  // score the simulator keeps, positive for side 0.
  struct Case {
    const char* name;
    std::vector<std::pair<int, StonePosition>> stones;
    int score;
    EndFeatures expected;
  };
  const Case cases[] = {
      {"empty sheet", {}, 0, {1, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"hammer on the button, other side 1 m back",
       {{1, At(0, 0)}, {0, At(0, -1)}},
       -1,
       {1, 1, 1, 0.5, 1, 1, 0, 0, 1}},
      {"two of the other side's count, the hammer's third",
       {{0, At(0.2, 0)}, {2, At(-0.4, 0)}, {1, At(0, 1.0)}, {3, At(1.0, 3.0)}},
       2,
       {1, -2, 0.5, 0.9 + 0.8, 1, 2, 0, 0, -1}},
      {"a centre guard each, and a corner guard that is none",
       {{0, At(0.5, 3.0)}, {1, At(-0.9, 2.5)}, {2, At(1.5, 3.0)}},
       0,
       {1, 0, 0, 0, 0, 0, 1, 1, 0}},
      {"behind the tee is no guard", {{1, At(0, -3.0)}}, 0, {1, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    CurlingGameState state;
    state.shotNumber = 8;
    state.endScores[0] = c.score;
    for (const auto& [slot, stone] : c.stones) state.stones[slot] = stone;
    const EndFeatures f = EndFeaturesOf(state);
    for (std::size_t i = 0; i < kEndFeatureCount; ++i) {
      EXPECT_NEAR(f[i], c.expected[i], 1e-5) << c.name << ", feature " << i;
    }
  }
}

TEST(EndValue, IsForTheSideAskedAndTheHammerOwnsTheOddSlots) {
  // Fifteen shots played, side 1 to throw the last stone; its stone (slot 1) is on the button.
  CurlingGameState state;
  state.shotNumber = 15;
  state.sideToMove = true;
  state.stones[1] = At(0, 0);
  state.endScores[0] = -1;
  const double hammer = ExpectedEndScore(state, 1);
  EXPECT_GT(hammer, 1.0);
  EXPECT_DOUBLE_EQ(ExpectedEndScore(state, 0), -hammer);
  // The same stones a shot earlier, side 0 to move: the hammer is still side 1's.
  state.shotNumber = 14;
  state.sideToMove = false;
  EXPECT_GT(ExpectedEndScore(state, 1), 0.5);
  // The other side's stone there instead is worth less to the hammer.
  state.stones[1] = StonePosition{};
  state.stones[0] = At(0, 0);
  state.endScores[0] = 1;
  EXPECT_LT(ExpectedEndScore(state, 1), hammer - 1.0);
}

TEST(EndValue, FitRecoversTheWeightsOfAnExactLinearValue) {
  const EndFeatures truth{0.5, 1.0, -0.25, 0.0, 2.0, 0.0, -1.0, 0.75, 0.0};
  std::vector<FitRow> rows;
  for (int i = 0; i < 60; ++i) {
    FitRow row;
    row.x = {1,
             double(i % 5 - 2),
             double(i % 7) / 7,
             double(i % 3),
             double(i % 4),
             double(i % 6),
             double(i % 11) / 11,
             double((i * 7) % 9),
             0};  // no shot stone
    for (std::size_t k = 0; k < kEndFeatureCount; ++k) row.y += truth[k] * row.x[k];
    rows.push_back(row);
  }
  const EndFeatures fitted = FitEndWeights(rows, 0.0);
  for (std::size_t k = 0; k < kEndFeatureCount; ++k) EXPECT_NEAR(fitted[k], truth[k], 1e-9) << k;
  // A ridge pulls the weights toward 0, the constant's alone excepted.
  const EndFeatures ridged = FitEndWeights(rows, 100.0);
  EXPECT_LT(std::abs(ridged[kHammerInHouse]), std::abs(truth[kHammerInHouse]));
}

}  // namespace
}  // namespace Curling
