#include "live_sprt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "summary.h"

namespace Match {
namespace {

// Game `number` (from 1) of match seed 3, A on side 0 in odd games, from A's result: W, D or L by
// a point in one end, F B forfeited, X both forfeited.
GameResult Game(int number, char result) {
  GameResult r;
  r.game = number - 1;
  r.engineOfSide = number % 2 == 1 ? std::array<int, 2>{0, 1} : std::array<int, 2>{1, 0};
  const int sideOfA = number % 2 == 1 ? 0 : 1;
  const int points = result == 'W' ? 1 : (result == 'L' ? -1 : 0);
  r.endScores.push_back(sideOfA == 0 ? points : -points);
  if (result == 'F' || result == 'X') r.forfeit[1 - sideOfA] = "no reply";
  if (result == 'X') r.forfeit[sideOfA] = "no reply";
  r.winnerSide = WinnerOf(r);
  return r;
}

// The live test after the last game equals the summary's over the same games, whatever order they
// finished in (the second game of a pair often first): one rule for pairs, draws, forfeits and
// double forfeits, and nothing until a pair is complete; for the test on results and on points.
TEST(LiveSprt, AgreesWithTheSummaryOfTheSameGames) {
  const std::string results = "WWWDLWFXDDWLWWFFLLWDWWDWWF";  // games 1, 2, ...
  const std::vector<int> order = {2,  1,  3,  5,  4,  6,  8,  7,  10, 9,  12, 11, 14,
                                  13, 16, 15, 17, 18, 20, 19, 21, 22, 24, 23, 26, 25};
  for (const bool onPoints : {false, true}) {
    const SprtSettings settings =
        onPoints ? SprtSettings{0.0, 0.5, 0.1, 0.1} : SprtSettings{-5.0, 60.0, 0.1, 0.1};
    LiveSprt live(settings, onPoints);
    std::optional<SprtSummary> last;
    std::vector<MatchGame> games;
    for (int number : order) {
      GameResult game = Game(number, results[number - 1]);
      const auto test = live.Add(game);
      const bool partnerIn = std::any_of(games.begin(), games.end(), [&](const MatchGame& g) {
        return g.result.game == ((number - 1) ^ 1);
      });
      EXPECT_EQ(test.has_value(), partnerIn) << "game " << number;
      if (test) last = test;
      games.push_back({3, 1, game});
    }
    const MatchSummary summary = Summarize(games, {"a", "b"}, settings, settings);
    const std::optional<SprtSummary>& whole = onPoints ? summary.sprtPoints : summary.sprt;
    ASSERT_TRUE(last && whole);
    // 13 pairs: FX has a game both engines forfeited; and the test on points also leaves out FF,
    // with no game played out
    EXPECT_EQ(last->pairs, onPoints ? 11 : 12);
    EXPECT_EQ(last->pairs, whole->pairs);
    EXPECT_DOUBLE_EQ(last->llr, whole->llr);
    EXPECT_EQ(last->verdict, whole->verdict);
  }
}

}  // namespace
}  // namespace Match
