#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "game.h"
#include "options.h"
#include "stats.h"

namespace Match {

// A finished game and the match it belongs to. Games are identified by (matchSeed, game number);
// games 2k-1 and 2k of one match seed are a pair, played with the engines on swapped sides.
struct MatchGame {
  std::uint64_t matchSeed = 0;
  int ends = 10;  // ends planned in its match (the game page shows them all)
  GameResult result;
  std::array<int, 2> engines{0, 1};  // in a tournament: the engine indices of A and B
};

// One engine's results over the games summarised.
struct EngineSummary {
  int games = 0;
  int wins = 0;
  int draws = 0;
  int losses = 0;    // forfeits included
  int forfeits = 0;  // losses by forfeit
  // Own points minus the opponent's over the games played out (no forfeit): per game, and per end
  // of those games. The intervals are ClusteredMean95 over game pairs (a pair's two games, on
  // swapped sides, correlate, and so do the ends of a game); a game without its partner, or whose
  // partner was forfeited, is a cluster of its own.
  MeanInterval perGame;
  MeanInterval perEnd;
};

// The Elo difference of A over B from complete game pairs. A pair's score for A is the sum of its
// two game scores (win 1, draw 1/2, loss or forfeit 0), so one of 0, 0.5, 1, 1.5 and 2. A game
// both engines forfeited has no result: its pair is incomplete.
struct PairSummary {
  int pairs = 0;                     // complete pairs
  int unpaired = 0;                  // games whose partner was not read or was forfeited by both
  int doubleForfeits = 0;            // games both engines forfeited, in no pair
  std::array<int, 5> pentanomial{};  // pairs whose score for A is 0, 0.5, 1, 1.5, 2
  double score = 0.0;                // m: mean of (pair score / 2), in [0, 1]
  double variance = 0.0;             // v: variance (over pairs, not n-1) of (pair score / 2)
  double elo = 0.0;                  // -400 log10(1/m - 1); +-infinity for m of 1 or 0
  // The Elo of m -+ t sqrt(v / (pairs - 1)), clamped to [0, 1] (t: StudentT95(pairs - 1)). Only
  // with `interval`: from two pairs on, and when the pair scores differ (v > 0).
  bool interval = false;
  double eloLow = 0.0;
  double eloHigh = 0.0;
};

// Everything `curling-match summary` prints. Index 0 is engine A.
struct MatchSummary {
  std::array<std::string, 2> commands;  // the engines' command lines
  int games = 0;
  std::array<EngineSummary, 2> engines;
  PairSummary pairs;
  std::optional<SprtSummary> sprt;
  std::optional<SprtSummary> sprtPoints;  // PointsSprtOf over the complete pairs played out
};

// The pentanomial cell of the pair of `first` and `second` (games 2k-1 and 2k, engines on
// swapped sides): A's pair score in half points, 0 to 4 for pair scores 0 to 2; nullopt when
// either game was forfeited by both engines, which leaves the pair incomplete. The rule Summarize
// counts pairs by, and the one a live test uses.
std::optional<int> PairCell(const GameResult& first, const GameResult& second);

// A's points minus B's over the games of a pair played out (no forfeit), and their games and
// ends: what a pair gives the score-difference intervals, and, once both its games are in, the
// test on points.
struct PairPoints {
  double diff = 0.0;
  int games = 0;
  int ends = 0;
  void Add(const GameResult& game);
  // The pair's x for the test on points: diff per end; nullopt when no game was played out.
  std::optional<double> PerEnd() const {
    return ends > 0 ? std::optional<double>(diff / ends) : std::nullopt;
  }
};

// The statistics of `games`, each game once (any order; pairs are found by match seed and game
// number).
MatchSummary Summarize(const std::vector<MatchGame>& games,
                       const std::array<std::string, 2>& commands,
                       const std::optional<SprtSettings>& sprt,
                       const std::optional<SprtSettings>& sprtPoints = std::nullopt);

// The JSON forms of a mean with its interval, and of an Elo figure (null when infinite, its sign
// then under `name`_inf, or NaN).
nlohmann::json MeanJson(const MeanInterval& m);
void PutElo(nlohmann::json& object, const std::string& name, double elo);

// "+12.3", "+inf" or "-inf".
std::string EloText(double elo);
// "1 game", "3 games".
std::string Count(int n, const std::string& noun);
// "+2.50, 95% CI [+1.00, +4.00] over 4 games", "+1.00 (no interval) over 1 game" or "none"; a
// clustered mean adds " in 3 pairs".
std::string MeanText(const MeanInterval& m, const std::string& noun);
// The Elo from the pairs: "+12.3, 95% CI [-4.0, +28.9] from 20 pairs (1 unpaired game)", with
// ", 1 game forfeited by both" when there is one, or "+inf (no interval: every pair scored the
// same) from 3 pairs (...)"; without a pair, "n/a".
std::string EloFigures(const PairSummary& pairs);

// A few readable lines: per engine its counts and mean score differences, then (from two games
// read on) the Elo line with the pentanomial counts, then the test.
std::string SummaryText(const MatchSummary& summary);

// The same as one JSON object (fields in match/README.md).
nlohmann::json SummaryJson(const MatchSummary& summary);

}  // namespace Match
