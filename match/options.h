#pragma once

#include <array>
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

// One engine of a tournament: the name it goes by in the record and the tables, and its command.
struct TournamentEngine {
  std::string name;
  std::string command;
  bool operator==(const TournamentEngine&) const = default;
};

// The schedule of a tournament: every pairing is a match of 2 * pairs games between its two
// engines (A first), played one pairing after another. Game g of the tournament (from 0) is game
// g mod (2 * pairs) of pairing g / (2 * pairs), with that match's sides and seeds.
struct Tournament {
  std::vector<TournamentEngine> engines;
  std::vector<std::array<int, 2>> pairings;  // engine indices of A and B
  int pairs = 1;                             // game pairs per pairing
  bool operator==(const Tournament&) const = default;

  int GamesPerPairing() const { return 2 * pairs; }
  int Games() const { return static_cast<int>(pairings.size()) * GamesPerPairing(); }
  const std::array<int, 2>& PairingOfGame(int game) const {
    return pairings[game / GamesPerPairing()];
  }
  // The engine called `name`, or -1.
  int IndexOf(const std::string& name) const;
};

// Round robin (every engine against every later one) or, with a gauntlet engine, that engine as A
// against each of the others.
std::vector<std::array<int, 2>> Pairings(int engines, int gauntlet = -1);

// `curling-match summary`: the statistics of recorded games instead of a match.
struct SummaryOptions {
  std::vector<std::string> records;  // JSON-lines records written by --record
  std::optional<SprtSettings> sprt;  // --sprt: also the test's log-likelihood ratio and verdict
  std::optional<SprtSettings> sprtPoints;  // --sprt-points: the same on points per end
  std::string picturesDir;                 // game pages and end pictures; empty: none
  bool json = false;                       // one JSON object instead of text
  std::string anchor;                      // a tournament's engine rated 0; empty: its first engine
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
  // Set by `curling-match tournament ...`: the engines and the schedule (engineA and engineB are
  // empty, games is the schedule's).
  std::optional<Tournament> tournament;
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
