#pragma once

#include <array>
#include <ostream>
#include <string>

#include <nlohmann/json.hpp>

#include "game.h"
#include "options.h"
#include "stats.h"

namespace Match {

// Engine labels in the record, the pictures and the progress lines: index 0 is ENGINE_A.
inline const std::array<std::string, 2> kEngineLabels{"A", "B"};

// The verdict of a match played with --sprt whose test crossed no bound in its most games.
inline constexpr const char* kSprtNotReached = "bound not reached";

// The game record: one JSON object per line, flushed line by line so that a crash loses nothing
// already played. Lines, by "type": "match" (the options, seed included, first), "shot" (every
// delivered stone), "game" (every finished game), with --sprt "sprt" and "summary" (last). Game,
// end and shot numbers count from 1; scores are positive for side 0. The only field that differs
// between two runs of the same match is "time_s". Not synchronised: a match whose games run at once
// writes under its own lock.
class RecordWriter {
 public:
  explicit RecordWriter(std::ostream& out) : out_(out) {}

  // The match line; for a tournament a "tournament" line instead, which also lists the engines
  // (name and command), the pairings by name and the pairs per pairing.
  void WriteMatch(const MatchOptions& options);
  void WriteShot(const ShotEvent& shot, const std::array<int, 2>& engineOfSide);
  // A tournament's game line also names its pairing's engines A and B under "engines".
  void WriteGame(const GameResult& game, const std::array<std::string, 2>* pairing = nullptr);
  // The sequential test of a match played with --sprt (or --sprt-points: `onPoints`), just before
  // the summary line: the test's figures, `verdict` ("accept H1", "accept H0" or kSprtNotReached)
  // and the games played.
  void WriteSprt(const SprtSummary& test, const std::string& verdict, int gamesPlayed,
                 bool onPoints);
  // Each engine's results, and its points minus the opponent's per game played out with the
  // interval the summary takes over game pairs (Summarize's perGame).
  void WriteSummary(const MatchTally& tally, const std::array<MeanInterval, 2>& perGame);

 private:
  // Writes one line and flushes it; throws std::runtime_error when the stream failed.
  void Line(const nlohmann::json& object);

  std::ostream& out_;
};

// The JSON forms of the pieces, exposed for tests.
nlohmann::json ReleaseJson(const ShotVelocity& release);
nlohmann::json StonesJson(const CurlingStateRecord& state);
nlohmann::json GameJson(const GameResult& game);

// A sequential test's figures as the record's test line and the summary's JSON give them, the
// hypotheses as "elo0", "elo1" (on results) or "d0", "d1" (on points).
nlohmann::json SprtJson(const SprtSummary& test, bool onPoints);

}  // namespace Match
