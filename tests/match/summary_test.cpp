#include "summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace Match {
namespace {

// Game `number` (from 1) of match seed 5 with A's points per end (A is side 0 in odd games);
// `forfeit` names the engine that forfeited, if any, or is 'X' for both.
MatchGame Game(int number, std::vector<int> pointsOfA, char forfeit = 0) {
  MatchGame game{5, 10, {}};
  GameResult& r = game.result;
  r.game = number - 1;
  r.engineOfSide = number % 2 == 1 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
  const int sideOfA = number % 2 == 1 ? 0 : 1;
  for (int points : pointsOfA) r.endScores.push_back(sideOfA == 0 ? points : -points);
  for (int side = 0; side < 2; ++side) {
    if (forfeit == 'X' || forfeit == (side == sideOfA ? 'A' : 'B')) r.forfeit[side] = "no reply";
  }
  r.winnerSide = WinnerOf(r);
  return game;
}

// Games 1, 2, ... from A's result in each, one letter a game: W, D or L by a point in one end; f
// or F A or B forfeited after one end; X both forfeited; - the game was not read.
std::vector<MatchGame> Games(const std::string& results) {
  std::vector<MatchGame> games;
  for (std::size_t g = 0; g < results.size(); ++g) {
    const char r = results[g];
    const int points = r == 'W' ? 1 : (r == 'L' ? -1 : 0);
    if (r != '-') games.push_back(Game(g + 1, {points}, r == 'f' ? 'A' : (r == 'F' ? 'B' : r)));
  }
  return games;
}

// A pair's score m is the mean of (pair score / 2), v its variance over the N pairs; the Elo is
// 400 log10(m / (1 - m)), its interval that of m -+ t(N - 1) sqrt(v / (N - 1)). The LLR of
// --sprt 0,10 (s0 = 0.5, s1 = 0.514387, bounds -+2.944) is the exact generalised ratio, computed
// apart by bisection for each hypothesis's lambda; the normal approximation the summary used
// before is given where it differs, as "was".
struct Case {
  const char* name;
  const char* results;  // as Games takes them
  const char* counts;   // in A's line
  const char* elo;      // the Elo line after "Elo of A over B: "
  double llr;
  const char* verdict;
};

TEST(Summary, ResultsEloAndSprtWorkedOutByHand) {
  const Case cases[] = {
      // m = 1, v = 0. LLR: each pair 0.0283 as in "one pair won twice" (was 15.15, accept H1).
      {"all wins", "WWWW", "4 wins, 0 draws, 0 losses (0 by forfeit)",
       "+inf (no interval: every pair scored the same) from 2 pairs (0 unpaired games); "
       "pentanomial 0 0 0 0 2",
       0.0567, "go on"},
      // m = 0.5, v = 0 (LLR was -0.664).
      {"all draws", "DDDD", "0 wins, 4 draws, 0 losses (0 by forfeit)",
       "+0.0 (no interval: every pair scored the same) from 2 pairs (0 unpaired games); "
       "pentanomial 0 0 2 0 0",
       -0.0537, "go on"},
      // Pair scores 0, 1, 1, 1.5: m = 1.75 / 4 = 0.4375, v = 0.07421875, Elo -43.66; half width
      // 3.182 sqrt(0.07421875 / 3) = 0.50049: m - 0.50049 < 0 (-inf), Elo of 0.93799 = +471.9.
      // LLR was -0.0540.
      {"mixed pairs", "LLWLDDWD", "2 wins, 3 draws, 3 losses (0 by forfeit)",
       "-43.7, 95% CI [-inf, +471.9] from 4 pairs (0 unpaired games); pentanomial 1 0 2 1 0",
       -0.0654, "go on"},
      // A's forfeit is a loss: the pair scores 1. LLR was -0.166.
      {"forfeit and an unpaired game", "WfD", "1 wins, 1 draws, 1 losses (1 by forfeit)",
       "+0.0 (no interval from one pair) from 1 pair (1 unpaired game); pentanomial 0 0 1 0 0",
       -0.0252, "go on"},
      {"no complete pair", "-WW", "2 wins, 0 draws, 0 losses (0 by forfeit)",
       "n/a (no complete pair; 2 unpaired games)", 0.0, "go on"},
      // m = 9.75 / 10 = 0.975, v = 0.005625: Elo 400 log10(39) = +636.4; half width 2.262 *
      // sqrt(0.005625 / 9) = 0.05655: Elo of 0.91845 = +420.7, m + 0.05655 > 1 (+inf). The empty
      // cells 0, 0.5 and 1 get 0.001 each. LLR was 11.97, accept H1.
      {"19 wins, 1 draw", "WWWWWWWWWWWWWWWWWWWD", "19 wins, 1 draws, 0 losses (0 by forfeit)",
       "+636.4, 95% CI [+420.7, +inf] from 10 pairs (0 unpaired games); pentanomial 0 0 0 1 9",
       0.2836, "go on"},
      // With the pseudo-counts f = (0.001, 0.001, 0.001, 0.001, 1) / 1.004; lambda0 = 1.99600,
      // lambda1 = 1.94006: LLR = f_i ln((1 + lambda0 (a_i - s0)) / (1 + lambda1 (a_i - s1)))
      // summed = 0.0283 (was 3.79).
      {"one pair won twice", "WW", "2 wins, 0 draws, 0 losses (0 by forfeit)",
       "+inf (no interval from one pair) from 1 pair (0 unpaired games); pentanomial 0 0 0 0 1",
       0.0283, "go on"},
      // Ten pairs of two draws (LLR was -16.6, accept H0).
      {"ten drawn pairs", "DDDDDDDDDDDDDDDDDDDD", "0 wins, 20 draws, 0 losses (0 by forfeit)",
       "+0.0 (no interval: every pair scored the same) from 10 pairs (0 unpaired games); "
       "pentanomial 0 0 10 0 0",
       -0.2857, "go on"},
      // Four pairs A forfeited (LLR was -62.3, accept H0).
      {"A forfeits every game", "ffffffff", "0 wins, 0 draws, 8 losses (8 by forfeit)",
       "-inf (no interval: every pair scored the same) from 4 pairs (0 unpaired games); "
       "pentanomial 4 0 0 0 0",
       -0.1167, "go on"},
      // The double forfeit has no result: its pair is incomplete, and the one real pair (a loss
      // and a win) gives 0. Counted a draw, it gave pair scores 1.5 and 1 and Elo +88.7.
      {"a double forfeit", "WXLW", "2 wins, 0 draws, 2 losses (1 by forfeit)",
       "+0.0 (no interval from one pair) from 1 pair (1 unpaired game, 1 game forfeited by "
       "both); pentanomial 0 0 1 0 0",
       -0.0252, "go on"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<MatchGame> games = Games(c.results);
    MatchSummary s = Summarize(games, {"a", "b"}, SprtSettings{0.0, 10.0});
    ASSERT_EQ(s.games, static_cast<int>(games.size()));
    ASSERT_TRUE(s.sprt);
    EXPECT_NEAR(s.sprt->llr, c.llr, 0.00005);
    EXPECT_NEAR(s.sprt->lower, -2.944, 0.0005);
    EXPECT_NEAR(s.sprt->upper, 2.944, 0.0005);
    EXPECT_EQ(s.sprt->verdict, c.verdict);
    const std::string text = SummaryText(s);
    EXPECT_NE(text.find(std::string("A: a: ") + c.counts), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("Elo of A over B: ") + c.elo), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(": ") + c.verdict), std::string::npos) << text;
    // JSON: an infinite Elo is null, with its sign under value_inf; no interval, low null.
    const nlohmann::json json = SummaryJson(s);
    EXPECT_EQ(json["pentanomial"], nlohmann::json(s.pairs.pentanomial));
    EXPECT_EQ(json["double_forfeits"], s.pairs.doubleForfeits);
    if (s.pairs.pairs == 0) {
      EXPECT_TRUE(json["elo"].is_null());
    } else {
      EXPECT_EQ(json["elo"]["value_inf"], std::isinf(s.pairs.elo) ? (s.pairs.elo > 0 ? 1 : -1) : 0);
      EXPECT_EQ(json["elo"]["value"].is_null(), std::isinf(s.pairs.elo));
      EXPECT_EQ(json["elo"]["low"].is_null(), !s.pairs.interval || std::isinf(s.pairs.eloLow));
    }
  }
}

TEST(Summary, ScoreDifferencesPerGameAndPerEndOverPairsLeaveForfeitsOut) {
  // A's points: game 1 ends +1 +1, game 2 +2 -1, game 3 +1 -1, game 4 forfeited by A. Pair 1: 3
  // points in 2 games of 4 ends; pair 2: 0 in 1 game of 2 ends.
  MatchSummary s =
      Summarize({Game(1, {1, 1}), Game(2, {2, -1}), Game(3, {1, -1}), Game(4, {2}, 'A')},
                {"a", "b"}, std::nullopt);
  // Per game R = 3 / 3 = 1; residuals 3 - 2R = 1 and 0 - R = -1; variance 2 / 1 * 2 / 3^2 = 4/9;
  // half width 12.706 * 2/3 = 8.47067 (taken as three independent games it would be 2.484). Per
  // end R = 3 / 6 = 0.5; residuals 3 - 4R = 1 and 0 - 2R = -1; variance 2 * 2 / 6^2 = 1/9; half
  // width 12.706 / 3 = 4.235333.
  EXPECT_NEAR(s.engines[0].perGame.high, 9.470667, 1e-6);
  EXPECT_FALSE(s.sprt);
  const std::string text = SummaryText(s);
  EXPECT_NE(text.find("A: a: 2 wins, 1 draws, 1 losses (1 by forfeit) in 4 games; score difference "
                      "per game +1.00, 95% CI [-7.47, +9.47] over 3 games in 2 pairs, per end "
                      "+0.50, 95% CI [-3.74, +4.74] over 6 ends in 2 pairs\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("SPRT"), std::string::npos);
  const nlohmann::json json = SummaryJson(s)["engines"]["B"]["score_diff_per_end"];
  EXPECT_EQ(
      json,
      nlohmann::json::parse(
          R"({"count":6,"pairs":2,"mean":-0.5,"ci95":[-4.735333333333333,3.735333333333333]})"));
}

}  // namespace
}  // namespace Match
