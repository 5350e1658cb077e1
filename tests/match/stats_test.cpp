#include "stats.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Match {
namespace {

TEST(Stats, StudentQuantiles) {
  EXPECT_DOUBLE_EQ(StudentT95(1), 12.706);
  EXPECT_DOUBLE_EQ(StudentT95(10), 2.228);
  EXPECT_DOUBLE_EQ(StudentT95(30), 2.042);
  EXPECT_NEAR(StudentT95(60), 2.000, 0.002);
  EXPECT_NEAR(StudentT95(1000000), 1.960, 0.001);
  EXPECT_TRUE(std::isnan(StudentT95(0)));
}

TEST(Stats, MeanAndInterval) {
  MeanInterval none = Mean95({});
  EXPECT_EQ(none.count, 0);
  EXPECT_FALSE(none.valid);
  MeanInterval one = Mean95({3.0});
  EXPECT_DOUBLE_EQ(one.mean, 3.0);
  EXPECT_FALSE(one.valid);
  // 1, 2, 3, 4, 5: mean 3, sample sd sqrt(2.5), half width 2.776 * sqrt(2.5) / sqrt(5).
  MeanInterval five = Mean95({1, 2, 3, 4, 5});
  ASSERT_TRUE(five.valid);
  EXPECT_DOUBLE_EQ(five.mean, 3.0);
  EXPECT_NEAR(five.high - five.mean, 2.776 * std::sqrt(0.5), 1e-12);
  EXPECT_NEAR(five.mean - five.low, 2.776 * std::sqrt(0.5), 1e-12);
  MeanInterval flat = Mean95({2, 2, 2});
  EXPECT_DOUBLE_EQ(flat.low, 2.0);
  EXPECT_DOUBLE_EQ(flat.high, 2.0);
  // Clusters of one value each are independent values.
  MeanInterval single = ClusteredMean95({{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 1}});
  EXPECT_NEAR(single.low, five.low, 1e-12);
  EXPECT_NEAR(single.high, five.high, 1e-12);
  EXPECT_FALSE(ClusteredMean95({{2, 2}, {3, 3}}).valid);  // pairs alike: no interval, not a point
}

// The exact generalised ratio for 0 against ELO1, computed apart (bisection for each lambda). At
// 1000 pairs with m near s0 and s1 the normal approximation N (s1 - s0)(2m - s0 - s1) / (2v)
// agrees to within 3 % (its figure in the comment); with a few pairs it does not (Summary tests).
TEST(Stats, SprtOfPentanomialCounts) {
  struct Case {
    std::array<int, 5> counts;
    double elo1;
    double llr;
    const char* verdict;
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 0}, 10, 0.0, "go on"},
      {{0, 0, 0, 0, 9}, 200, 3.7642, "go on"},  // beyond the upper bound, but only 9 pairs
      {{0, 0, 0, 0, 10}, 200, 4.1826, "accept H1"},
      {{50, 200, 400, 250, 100}, 10, 6.7158, "accept H1"},   // normal 6.790
      {{100, 250, 400, 200, 50}, 10, -9.7945, "accept H0"},  // normal -10.013
      {{100, 200, 400, 200, 100}, 10, -1.3790, "go on"},     // normal -1.380
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.counts[0] << " " << c.counts[4] << " " << c.elo1);
    const SprtSummary sprt = SprtOf(c.counts, SprtSettings{0.0, c.elo1});
    EXPECT_NEAR(sprt.llr, c.llr, 0.00005);
    EXPECT_EQ(sprt.verdict, c.verdict);
  }
}

// The test on points per end, worked by hand: ten pairs with mean 0.15 and variance 0.0225
// (divisor N) give v0 = 0.0225 + 0.15^2 = 0.045 against 0 and v1 = 0.0225 + 0.05^2 = 0.025
// against 0.1, so LLR = 5 ln 1.8 = 2.9389, just inside ln 19 = 2.9444 and beyond ln 9 = 2.1972.
TEST(Stats, PointsSprtOfPairMeans) {
  const std::vector<double> ten = {0.1, 0.3, -0.1, 0.2, 0.0, 0.4, 0.1, 0.2, 0.3, 0.0};
  struct Case {
    std::vector<double> x;
    SprtSettings settings;
    double llr;
    const char* verdict;
  };
  const Case cases[] = {
      {ten, {0.0, 0.1}, 5 * std::log(1.8), "go on"},
      {ten, {0.0, 0.1, 0.1, 0.1}, 5 * std::log(1.8), "accept H1"},
      {{ten.begin(), ten.end() - 1}, {0.0, 0.1, 0.1, 0.1}, 2.8287, "go on"},  // only 9 pairs
      {ten, {0.15, 0.25}, 5 * std::log(0.0225 / 0.0325), "go on"},
      // Every pair alike at 0: the variance floor, not an infinite ratio.
      {std::vector<double>(10, 0.0), {0.0, 0.1}, 5 * std::log(1e-6 / 0.01), "accept H0"},
      {{}, {0.0, 0.1}, 0.0, "go on"},
  };
  for (const Case& c : cases) {
    PairPointsMoments moments;
    for (double x : c.x) moments.Add(x);
    const SprtSummary sprt = PointsSprtOf(moments, c.settings);
    EXPECT_NEAR(sprt.llr, c.llr, 0.00005) << c.x.size() << " " << c.settings.h0;
    EXPECT_EQ(sprt.verdict, c.verdict) << c.x.size() << " " << c.settings.h0;
  }
}

GameResult Game(std::array<int, 2> engineOfSide, std::vector<int> ends, int winner,
                std::array<std::string, 2> forfeit = {}) {
  GameResult game;
  game.engineOfSide = engineOfSide;
  game.endScores = std::move(ends);
  game.winnerSide = winner;
  game.forfeit = forfeit;
  return game;
}

TEST(Stats, TallyFollowsTheEnginesAcrossSideSwaps) {
  MatchTally tally;
  tally.Add(Game({0, 1}, {2, -1}, 0));            // A side 0 wins by 1
  tally.Add(Game({1, 0}, {3}, 0));                // B side 0 wins by 3
  tally.Add(Game({0, 1}, {0, 0}, -1));            // drawn
  tally.Add(Game({1, 0}, {1}, 1, {"late", ""}));  // B forfeits on side 0; A wins
  tally.Add(Game({0, 1}, {}, -1, {"x", "y"}));    // both forfeit: a loss for both
  const EngineTally& a = tally.engines[0];
  const EngineTally& b = tally.engines[1];
  EXPECT_EQ(a.wins, 2);
  EXPECT_EQ(a.draws, 1);
  EXPECT_EQ(a.losses, 2);
  EXPECT_EQ(a.forfeits, 1);
  EXPECT_EQ(b.wins, 1);
  EXPECT_EQ(b.draws, 1);
  EXPECT_EQ(b.losses, 3);
  EXPECT_EQ(b.forfeits, 2);
}

}  // namespace
}  // namespace Match
