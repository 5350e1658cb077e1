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
};

// One engine's results over the games summarised.
struct EngineSummary {
  int games = 0;
  int wins = 0;
  int draws = 0;
  int losses = 0;        // forfeits included
  int forfeits = 0;      // losses by forfeit
  MeanInterval perGame;  // own total minus the opponent's, over games played out (no forfeit)
  MeanInterval perEnd;   // own points minus the opponent's in each end of those games
};

// The Elo difference of A over B from complete game pairs. A pair's score for A is the sum of its
// two game scores (win 1, draw 1/2, loss or forfeit 0), so one of 0, 0.5, 1, 1.5 and 2.
struct PairSummary {
  int pairs = 0;                     // complete pairs
  int unpaired = 0;                  // games whose partner is not among the games read
  std::array<int, 5> pentanomial{};  // pairs whose score for A is 0, 0.5, 1, 1.5, 2
  double score = 0.0;                // m: mean of (pair score / 2), in [0, 1]
  double variance = 0.0;             // v: variance (over pairs, not n-1) of (pair score / 2)
  double elo = 0.0;                  // -400 log10(1/m - 1); +-infinity for m of 1 or 0
  double eloLow = 0.0;               // the same of m - 1.959964 sqrt(v / pairs), clamped to [0, 1]
  double eloHigh = 0.0;              // the same of m + 1.959964 sqrt(v / pairs), clamped to [0, 1]
};

// The sequential probability ratio test of the pentanomial results (normal approximation,
// logistic Elo). `regularised`: v was 0, so the ratio was taken over counts with a pseudo-count
// added (see SprtOf).
struct SprtSummary {
  SprtSettings settings;
  double llr = 0.0;
  double lower = 0.0;  // ln(beta / (1 - alpha)): accept H0 at or below
  double upper = 0.0;  // ln((1 - beta) / alpha): accept H1 at or above
  bool regularised = false;
  std::string verdict;  // "accept H1", "accept H0" or "go on"
};

// Everything `curling-match summary` prints. Index 0 is engine A.
struct MatchSummary {
  std::array<std::string, 2> commands;  // the engines' command lines
  int games = 0;
  std::array<EngineSummary, 2> engines;
  PairSummary pairs;
  std::optional<SprtSummary> sprt;
};

// Logistic Elo of an expected score in [0, 1] (+-infinity at the ends) and its inverse.
double EloOfScore(double score);
double ScoreOfElo(double elo);

// The test of the pentanomial counts in `pairs`.
SprtSummary SprtOf(const PairSummary& pairs, const SprtSettings& settings);

// The statistics of `games`, each game once (any order; pairs are found by match seed and game
// number).
MatchSummary Summarize(const std::vector<MatchGame>& games,
                       const std::array<std::string, 2>& commands,
                       const std::optional<SprtSettings>& sprt);

// "+12.3", "+inf" or "-inf".
std::string EloText(double elo);
// "1 game", "3 games".
std::string Count(int n, const std::string& noun);
// "+2.50, 95% CI [+1.00, +4.00] over 4 games", "+1.00 (no interval) over 1 game" or "none".
std::string MeanText(const MeanInterval& m, const std::string& noun);

// A few readable lines: per engine its counts and mean score differences, then (from two games
// read on) the Elo line with the pentanomial counts, then the test.
std::string SummaryText(const MatchSummary& summary);

// The same as one JSON object (fields in match/README.md).
nlohmann::json SummaryJson(const MatchSummary& summary);

}  // namespace Match
