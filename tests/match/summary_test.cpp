#include "summary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace Match {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Game `number` (from 1) of match seed 5 with A's points per end (A is side 0 in odd games);
// `forfeit` names the engine that forfeited, if any.
MatchGame Game(int number, std::vector<int> pointsOfA, char forfeit = 0) {
  MatchGame game{5, 10, {}};
  GameResult& r = game.result;
  r.game = number - 1;
  r.engineOfSide = number % 2 == 1 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
  const int sideOfA = number % 2 == 1 ? 0 : 1;
  for (int points : pointsOfA) r.endScores.push_back(sideOfA == 0 ? points : -points);
  if (forfeit) {
    const int sideOfLoser = (forfeit == 'A') == (sideOfA == 0) ? 0 : 1;
    r.forfeit[sideOfLoser] = "no reply";
    r.winnerSide = 1 - sideOfLoser;
  } else {
    r.winnerSide = r.Total() > 0 ? 0 : (r.Total() < 0 ? 1 : -1);
  }
  return game;
}

struct Case {
  const char* name;
  std::vector<MatchGame> games;
  std::array<int, 4> a;  // wins, draws, losses, forfeits
  std::array<int, 4> b;
  std::array<int, 5> pentanomial;
  int unpaired;
  std::array<double, 3> elo;  // value, low, high (NaN: n/a)
  double llr;                 // --sprt 0,10: s0 = 0.5, s1 = 0.514387, bounds -+2.944
  const char* verdict;
  const char* eloLine;  // part of the text
};

TEST(Summary, ResultsEloAndSprtWorkedOutByHand) {
  const double na = std::nan("");
  const Case cases[] = {
      // Pairs score 2 and 2: m = 1, v = 0: Elo +inf with a point interval. The SPRT adds 0.001 to
      // each count: m = 2.0025 / 2.005 = 0.998753, v = 0.000934,
      // LLR = 2 * 0.014387 * (1.997506 - 1.014387) / (2 * 0.000934) = 15.15 >= 2.944.
      {"all wins",
       {Game(1, {1}), Game(2, {2}), Game(3, {1}), Game(4, {3, -1})},
       {4, 0, 0, 0},
       {0, 0, 4, 0},
       {0, 0, 0, 0, 2},
       0,
       {kInf, kInf, kInf},
       15.150,
       "accept H1",
       "Elo of A over B: +inf, 95% CI [+inf, +inf] from 2 pairs (0 unpaired games); pentanomial "
       "0 0 0 0 2"},
      // Pairs score 1 and 1: m = 0.5, v = 0, Elo 0. Regularised: m = 0.5,
      // v = 0.001 * (0.25 + 0.0625 + 0 + 0.0625 + 0.25) / 2.005 = 0.000312,
      // LLR = 2 * 0.014387 * (1 - 1.014387) / (2 * 0.000312) = -0.664.
      {"all draws",
       {Game(1, {0}), Game(2, {1, -1}), Game(3, {0}), Game(4, {0})},
       {0, 4, 0, 0},
       {0, 4, 0, 0},
       {0, 0, 2, 0, 0},
       0,
       {0.0, 0.0, 0.0},
       -0.664,
       "go on",
       "Elo of A over B: +0.0, 95% CI [+0.0, +0.0] from 2 pairs"},
      // Pairs: lost twice (0), win + loss (1), two draws (1), win + draw (1.5): counts 1 0 2 1 0.
      // m = (0 + 0.5 + 0.5 + 0.75) / 4 = 0.4375; v = (0.4375^2 + 2 * 0.0625^2 + 0.3125^2) / 4 =
      // 0.07421875; Elo = 400 log10(0.4375 / 0.5625) = -43.66. Half width 1.959964 *
      // sqrt(0.07421875 / 4) = 0.26698: Elo of 0.17052 = -274.8, of 0.70448 = +150.9.
      // LLR = 4 * 0.014387 * (0.875 - 1.014387) / (2 * 0.07421875) = -0.0540.
      {"mixed pairs",
       {Game(1, {-1}), Game(2, {-2}), Game(3, {2}), Game(4, {-1}), Game(5, {0}), Game(6, {0}),
        Game(7, {1}), Game(8, {0})},
       {2, 3, 3, 0},
       {3, 3, 2, 0},
       {1, 0, 2, 1, 0},
       0,
       {-43.658, -274.809, 150.911},
       -0.0540,
       "go on",
       "Elo of A over B: -43.7, 95% CI [-274.8, +150.9] from 4 pairs (0 unpaired games); "
       "pentanomial 1 0 2 1 0"},
      // A wins game 1, forfeits game 2 (a loss: pair score 1), draws the unpaired game 3.
      // m = 0.5, v = 0, Elo 0. Regularised: total 1.005, v = 0.001 * 0.625 / 1.005 = 0.000622,
      // LLR = 1 * 0.014387 * (1 - 1.014387) / (2 * 0.000622) = -0.166.
      {"forfeit and an unpaired game",
       {Game(1, {1, 1}), Game(2, {2}, 'A'), Game(3, {1, -1})},
       {1, 1, 1, 1},
       {1, 1, 1, 0},
       {0, 0, 1, 0, 0},
       1,
       {0.0, 0.0, 0.0},
       -0.166,
       "go on",
       "from 1 pair (1 unpaired game)"},
      // Games 2 and 3 belong to different pairs: no Elo, and the LLR has no pair to count.
      {"no complete pair",
       {Game(2, {1}), Game(3, {1})},
       {2, 0, 0, 0},
       {0, 0, 2, 0},
       {0, 0, 0, 0, 0},
       2,
       {na, na, na},
       0.0,
       "go on",
       "Elo of A over B: n/a (no complete pair; 2 unpaired games)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MatchSummary s = Summarize(c.games, {"a", "b"}, SprtSettings{0.0, 10.0});
    ASSERT_EQ(s.games, static_cast<int>(c.games.size()));
    for (int e = 0; e < 2; ++e) {
      const EngineSummary& got = s.engines[e];
      EXPECT_EQ((std::array<int, 4>{got.wins, got.draws, got.losses, got.forfeits}),
                e == 0 ? c.a : c.b);
    }
    EXPECT_EQ(s.pairs.pentanomial, c.pentanomial);
    EXPECT_EQ(s.pairs.unpaired, c.unpaired);
    const std::array<double, 3> elo{s.pairs.elo, s.pairs.eloLow, s.pairs.eloHigh};
    for (int i = 0; i < 3; ++i) {
      if (std::isnan(c.elo[i])) {
        EXPECT_EQ(s.pairs.pairs, 0);
      } else if (std::isinf(c.elo[i])) {
        EXPECT_EQ(elo[i], c.elo[i]) << i;
      } else {
        EXPECT_NEAR(elo[i], c.elo[i], 0.001) << i;
      }
    }
    ASSERT_TRUE(s.sprt);
    EXPECT_NEAR(s.sprt->llr, c.llr, 0.0005);
    EXPECT_NEAR(s.sprt->lower, -2.944, 0.0005);
    EXPECT_NEAR(s.sprt->upper, 2.944, 0.0005);
    EXPECT_EQ(s.sprt->verdict, c.verdict);
    const std::string text = SummaryText(s);
    EXPECT_NE(text.find(c.eloLine), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(": ") + c.verdict), std::string::npos) << text;
    // JSON: an infinite Elo is null, with its sign under value_inf.
    const nlohmann::json json = SummaryJson(s);
    EXPECT_EQ(json["pentanomial"], nlohmann::json(c.pentanomial));
    if (s.pairs.pairs == 0) {
      EXPECT_TRUE(json["elo"].is_null());
    } else {
      EXPECT_EQ(json["elo"]["value_inf"], std::isinf(c.elo[0]) ? 1 : 0);
      EXPECT_EQ(json["elo"]["value"].is_null(), std::isinf(c.elo[0]));
    }
  }
}

TEST(Summary, ScoreDifferencesPerGameAndPerEndLeaveForfeitsOut) {
  // A's points: game 1 ends +1 +1, game 2 forfeited, game 3 ends +1 -1.
  MatchSummary s =
      Summarize({Game(1, {1, 1}), Game(2, {2}, 'A'), Game(3, {1, -1})}, {"a", "b"}, std::nullopt);
  // Per game +2 and 0: mean 1, sd sqrt(2), half width 12.706 * sqrt(2) / sqrt(2) = 12.706.
  const MeanInterval& game = s.engines[0].perGame;
  EXPECT_EQ(game.count, 2);
  EXPECT_DOUBLE_EQ(game.mean, 1.0);
  EXPECT_NEAR(game.high, 13.706, 1e-9);
  // Per end +1 +1 +1 -1: mean 0.5, sd 1, half width 3.182 * 1 / 2 = 1.591.
  const MeanInterval& end = s.engines[0].perEnd;
  EXPECT_EQ(end.count, 4);
  EXPECT_DOUBLE_EQ(end.mean, 0.5);
  EXPECT_NEAR(end.low, -1.091, 1e-9);
  EXPECT_DOUBLE_EQ(s.engines[1].perEnd.mean, -0.5);
  EXPECT_FALSE(s.sprt);
  const std::string text = SummaryText(s);
  EXPECT_NE(text.find("A: a: 1 wins, 1 draws, 1 losses (1 by forfeit) in 3 games; score difference "
                      "per game +1.00, 95% CI [-11.71, +13.71] over 2 games"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("SPRT"), std::string::npos);
}

}  // namespace
}  // namespace Match
