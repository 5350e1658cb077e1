#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "options.h"
#include "summary.h"

namespace Match {

// The pair results of one pairing: engines a and b, and the pentanomial counts of a's pair
// scores (0, 0.5, 1, 1.5, 2), as PairSummary has them.
struct PairingCounts {
  int a = 0;
  int b = 0;
  std::array<int, 5> pentanomial{};
};

// Joint Elo ratings by maximum likelihood over game pairs, in the logistic model: a pair between
// engines i and j is one trial whose score s (pair score / 2, in [0, 1]) has expectation
// P(r_i - r_j) = 1 / (1 + 10^((r_j - r_i) / 400)), and the ratings maximise
//   L(r) = sum over pairs of s ln P(r_i - r_j) + (1 - s) ln P(r_j - r_i),
// whose maximum has every engine's expected score equal to its scored one. With two engines the
// rating difference is EloOfScore of the mean pair score: the match summary's Elo. Rated against
// `anchor` (0): the engines of its strongly connected part of the "scored against" graph get the
// finite fit of the pairs among them (Hunter's MM iteration); an engine that only ever lost to
// that part (through any chain) is -inf, one that never lost to it +inf, one unconnected NaN.
std::vector<double> FitRatings(int engines, const std::vector<PairingCounts>& pairings, int anchor);

// Bootstrap resamples of the 95 % intervals, and the fixed seed that makes them reproducible.
inline constexpr int kBootstrapResamples = 1000;
inline constexpr std::uint64_t kBootstrapSeed = 20261210;

// One cell of the crosstable: the row engine's results against the column engine.
struct CrossCell {
  bool played = false;  // the two engines have a pairing
  int games = 0;
  int wins = 0;
  int draws = 0;
  int losses = 0;  // forfeits included
  int forfeits = 0;
  int pairs = 0;        // complete game pairs
  MeanInterval perEnd;  // own points minus the opponent's per end, clustered over game pairs
};

struct EngineRating {
  double elo = 0.0;  // +-inf or NaN as FitRatings gives
  double low = 0.0;  // 2.5 % and 97.5 % quantiles of the bootstrap fits
  double high = 0.0;
  int pairs = 0;       // complete pairs it played
  double score = 0.0;  // its mean of (pair score / 2) over them
};

struct TournamentSummary {
  Tournament tournament;
  int anchor = 0;
  int games = 0;
  std::vector<std::vector<CrossCell>> cells;  // [row][column]
  std::vector<EngineRating> ratings;          // by engine
};

// The crosstable and ratings of a tournament's games, each game once. Each pairing is summarised
// as a match (Summarize: its pair rule, double forfeits left out); the intervals resample every
// pairing's complete pairs with replacement, kBootstrapResamples times from kBootstrapSeed.
TournamentSummary SummarizeTournament(const std::vector<MatchGame>& games,
                                      const Tournament& tournament, int anchor);

// The engines best first: by rating, engines of equal (or infinite) rating by score, unrated last.
std::vector<std::size_t> RatingOrder(const TournamentSummary& summary);

// The crosstable, then the engines by rating with their intervals.
std::string TournamentText(const TournamentSummary& summary);
nlohmann::json TournamentJson(const TournamentSummary& summary);

}  // namespace Match
