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

TEST(Tournament, SchedulesNumberTheirGamesPairingAfterPairing) {
  using Schedule = std::vector<std::array<int, 2>>;
  EXPECT_EQ(Pairings(4), (Schedule{{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}));
  EXPECT_EQ(Pairings(4, 2), (Schedule{{2, 0}, {2, 1}, {2, 3}}));
  Tournament t{{{"a", "x"}, {"b", "y"}, {"c", "z"}}, Pairings(3), 2};
  EXPECT_EQ(t.Games(), 12);
  EXPECT_EQ(t.PairingOfGame(3), (std::array<int, 2>{0, 1}));
  EXPECT_EQ(t.PairingOfGame(4), (std::array<int, 2>{0, 2}));
  EXPECT_EQ(t.PairingOfGame(11), (std::array<int, 2>{1, 2}));
}

// Three engines, two pairs a pairing; each game from its A's view: W, D or L by a point, X both
// forfeited (which leaves its pair out).
TEST(Tournament, CrosstableFromEitherSideAndRatingsOfTheCompletePairs) {
  const Tournament t{{{"a", "x"}, {"b", "y"}, {"c", "z"}}, Pairings(3), 2};
  const std::string results =
      "WWLD"
      "WXWW"
      "LDLL";  // a-b, a-c, b-c
  std::vector<MatchGame> games;
  for (int g = 0; g < t.Games(); ++g) {
    MatchGame game{5, 1, {}, t.PairingOfGame(g)};
    GameResult& r = game.result;
    r.game = g;
    r.engineOfSide = g % 2 == 0 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
    const int pointsOfA = results[g] == 'W' ? 1 : (results[g] == 'L' ? -1 : 0);
    r.endScores = {g % 2 == 0 ? pointsOfA : -pointsOfA};
    if (results[g] == 'X') r.forfeit = {"no reply", "no reply"};
    r.winnerSide = WinnerOf(r);
    games.push_back(game);
  }
  const TournamentSummary summary = SummarizeTournament(games, t, 0);
  const CrossCell& ab = summary.cells[0][1];
  const CrossCell& ba = summary.cells[1][0];
  EXPECT_EQ((std::array<int, 3>{ab.wins, ab.draws, ab.losses}), (std::array<int, 3>{2, 1, 1}));
  EXPECT_EQ((std::array<int, 3>{ba.wins, ba.draws, ba.losses}), (std::array<int, 3>{1, 1, 2}));
  EXPECT_DOUBLE_EQ(ab.perEnd.mean, -ba.perEnd.mean);
  EXPECT_EQ(summary.cells[0][2].pairs, 1);  // the pair with the double forfeit is left out
  EXPECT_EQ(summary.cells[2][1].wins, 3);
  EXPECT_FALSE(summary.cells[1][1].played);
  // a-b pairs score 2 and 0.5 for a, a-c one pair of 2, b-c pairs 0.5 and 0 for b.
  const std::vector<double> fit =
      FitRatings(3, {{0, 1, {0, 1, 0, 0, 1}}, {0, 2, {0, 0, 0, 0, 1}}, {1, 2, {1, 1, 0, 0, 0}}}, 0);
  for (int e = 0; e < 3; ++e) {
    EXPECT_EQ(summary.ratings[e].elo, fit[e]) << e;
    EXPECT_LE(summary.ratings[e].low, summary.ratings[e].high) << e;
  }
  EXPECT_EQ(summary.ratings[0].pairs, 3);
  EXPECT_DOUBLE_EQ(summary.ratings[0].score, (1.0 + 0.25 + 1.0) / 3);
  EXPECT_EQ(summary.ratings[0].low, 0.0);
  EXPECT_EQ(summary.ratings[0].high, 0.0);
}

}  // namespace
}  // namespace Match
