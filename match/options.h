#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace Match {

// The hypotheses of a sequential probability ratio test, H0 "value = h0" against H1 "value = h1"
// (h0 < h1), with error rates alpha and beta. The value is the Elo of A over B for the test on
// game results (--sprt), and A's points minus B's per end for the test on points (--sprt-points).
struct SprtSettings {
  double h0 = 0.0;
  double h1 = 0.0;
  double alpha = 0.05;
  double beta = 0.05;
};

// `curling-match summary`: the statistics of recorded games instead of a match.
struct SummaryOptions {
  std::vector<std::string> records;  // JSON-lines records written by --record
  std::optional<SprtSettings> sprt;  // --sprt: also the test's log-likelihood ratio and verdict
  std::optional<SprtSettings> sprtPoints;  // --sprt-points: the same on points per end
  std::string picturesDir;                 // game pages and end pictures; empty: none
  bool json = false;                       // one JSON object instead of text
};

// Everything the command line decides about a match. Plain value: parsed once in main and read by
// the match loop.
struct MatchOptions {
  std::string engineA;      // shell command line of the first engine
  std::string engineB;      // shell command line of the second engine
  int ends = 10;            // ends per game, 1 to 10 (the score table holds ten)
  int games = 1;            // games in the match; engines swap sides every game
  std::uint64_t seed = 0;   // match seed: every shot's execution error derives from it
  bool seedGiven = false;   // false: the seed was drawn at random (and is reported)
  double noise = 0.3;       // execution error handed to the simulator
  double timeLimit = 60.0;  // seconds an engine may take to answer one command
  std::string recordPath;   // JSON-lines game record; empty: none
  std::string picturesDir;  // SVG and HTML pictures; empty: none
  int concurrency = 1;      // games played at once, each on its own pair of engine processes
  int shardIndex = 0;       // this run plays the games g with (g - 1) mod shardCount == shardIndex
  int shardCount = 1;       // 1: the whole match
  // --first-game: this run plays only the games from this one (odd, so pairs stay whole) to
  // `games`, numbered as in the whole match; with --shard, those of its shard among them.
  int firstGame = 1;
  // --sprt: the sequential test over the finished game pairs after every pair; once a bound is
  // crossed no new game starts. Needs an even --games and the whole match (no --shard, no
  // --first-game).
  std::optional<SprtSettings> sprt;
  // --sprt-points: the same on points per end, instead of --sprt.
  std::optional<SprtSettings> sprtPoints;
  // Set by `curling-match summary ...`: no match is played, recorded games are summarised.
  std::optional<SummaryOptions> summary;
};

// The outcome of parsing when the program should stop at once: the text to print, where to print
// it and the exit status (0 after --help, 2 after a usage error).
struct ParseExit {
  int status = 0;
  std::string text;
  bool toStdout = false;
};

// Parses argv with the usual Unix conventions. An unset --seed is filled from std::random_device.
// After the subcommand `summary` only MatchOptions::summary is meaningful.
std::variant<MatchOptions, ParseExit> ParseOptions(int argc, const char* const* argv);

}  // namespace Match
