#include "tournament_summary.h"

#include <gtest/gtest.h>

#include <cmath>

namespace Match {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// A's mean of (pair score / 2) over the counts of pair scores 0, 0.5, 1, 1.5, 2.
double MeanScore(const std::array<int, 5>& counts) {
  double pairs = 0.0;
  double sum = 0.0;
  for (int k = 0; k < 5; ++k) {
    pairs += counts[k];
    sum += counts[k] * k / 4.0;
  }
  return sum / pairs;
}

// Each row: the pairings, and the ratings a second method gives for anchor 0: a pairing's own
// Elo (EloOfScore of its mean pair score) where the pairings form a tree, the limits where an
// engine only lost or only won, NaN for one that never played; or none, for a triangle, which is
// checked by the likelihood's score equations instead.
TEST(Tournament, JointRatingsAgreeWithEachPairingsOwnEloAndTheLikelihoodsMaximum) {
  const std::array<int, 5> ab{1, 2, 3, 1, 1};
  const std::array<int, 5> bc{0, 1, 2, 4, 2};
  const std::array<int, 5> ca{2, 2, 1, 0, 1};
  const double nan = std::nan("");
  struct Case {
    const char* name;
    int engines;
    std::vector<PairingCounts> pairings;
    std::vector<double> expected;
  };
  const Case cases[] = {
      {"two engines: the pairing's Elo", 2, {{0, 1, ab}}, {0.0, -EloOfScore(MeanScore(ab))}},
      {"B against A first", 2, {{1, 0, ab}}, {0.0, EloOfScore(MeanScore(ab))}},
      {"a chain adds the Elos",
       3,
       {{0, 1, ab}, {1, 2, bc}},
       {0.0, -EloOfScore(MeanScore(ab)), -EloOfScore(MeanScore(ab)) - EloOfScore(MeanScore(bc))}},
      {"an engine that lost every pair, one that never played",
       4,
       {{0, 1, ab}, {2, 1, {3, 0, 0, 0, 0}}},
       {0.0, -EloOfScore(MeanScore(ab)), -kInf, nan}},
      {"an engine that won every pair",
       3,
       {{0, 1, ab}, {2, 0, {0, 0, 0, 0, 2}}},
       {0.0, -EloOfScore(MeanScore(ab)), kInf}},
      {"a triangle", 3, {{0, 1, ab}, {1, 2, bc}, {2, 0, ca}}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> ratings = FitRatings(c.engines, c.pairings, 0);
    ASSERT_EQ(ratings.size(), static_cast<std::size_t>(c.engines));
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      if (std::isfinite(c.expected[i])) {
        EXPECT_NEAR(ratings[i], c.expected[i], 1e-6) << i;
      } else {
        EXPECT_TRUE(ratings[i] == c.expected[i] ||
                    (std::isnan(ratings[i]) && std::isnan(c.expected[i])))
            << i << ": " << ratings[i];
      }
    }
    if (!c.expected.empty()) continue;
    // At the maximum every engine's expected score over its pairs equals the score it made.
    std::vector<double> expected(c.engines, 0.0);
    std::vector<double> scored(c.engines, 0.0);
    for (const PairingCounts& p : c.pairings) {
      double pairs = 0.0;
      for (int count : p.pentanomial) pairs += count;
      const double win = ScoreOfElo(ratings[p.a] - ratings[p.b]);
      expected[p.a] += pairs * win;
      expected[p.b] += pairs * (1.0 - win);
      scored[p.a] += pairs * MeanScore(p.pentanomial);
      scored[p.b] += pairs * (1.0 - MeanScore(p.pentanomial));
    }
    for (int i = 0; i < c.engines; ++i) EXPECT_NEAR(expected[i], scored[i], 1e-9) << i;
    // Another anchor moves every rating by the same amount.
    const std::vector<double> fromB = FitRatings(c.engines, c.pairings, 1);
    for (int i = 0; i < c.engines; ++i) EXPECT_NEAR(fromB[i], ratings[i] - ratings[1], 1e-6);
  }
}

}  // namespace
}  // namespace Match
