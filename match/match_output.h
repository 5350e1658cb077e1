#pragma once

#include <array>
#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "game.h"
#include "game_page.h"
#include "live_sprt.h"
#include "options.h"
#include "record.h"
#include "stats.h"
#include "summary.h"

namespace Match {

// Where the games of a match go: the record, the progress lines and the pictures. Shared by the
// slots that play games at once, so one lock keeps every record and progress line whole and the
// index page and the summary complete; a game's own files are written only by the slot playing
// it. Whatever order the games finish in, the index page and the summary take them in game-number
// order.
class MatchOutput {
 public:
  // Opens the record and writes its match line, creates the pictures directory and prints the
  // match seed. Throws std::runtime_error when the record or the directory cannot be had.
  MatchOutput(const MatchOptions& options, std::ostream& progress);

  // A delivered stone: its record line and its progress line.
  void Shot(const ShotEvent& shot, const std::array<int, 2>& engineOfSide);
  // The end's picture, and the game page so far, so that a long match can be watched as it is
  // played (the page is written again when the game is over).
  void End(const EndPicture& end, const GameResult& soFar) const;
  // A finished game: its record line, progress line and page, and the index page again; with
  // --sprt, when it completes a pair, the test's progress line.
  void Game(const GameResult& game);
  // With --sprt: whether the test has crossed a bound, so that no new game should start.
  bool SprtDecided() const { return sprtDecided_; }
  // The summary over every finished game: the record's last lines (with --sprt the test over
  // every game played, then the summary) and the closing table.
  MatchTally Finish();

 private:
  // The engines of a game: short labels for the progress lines ("A", "B" or a tournament's
  // names) and descriptions for its page.
  std::array<std::string, 2> Labels(int game) const;
  std::array<std::string, 2> Names(int game) const;
  // The games finished so far, for the summaries; the index page of the pictures.
  std::vector<MatchGame> Finished() const;
  std::string Index() const;

  const MatchOptions& options_;
  std::ostream& progress_;
  std::array<std::string, 2> names_;  // "A: command", "B: command"
  std::ofstream recordFile_;
  std::unique_ptr<RecordWriter> record_;
  std::mutex mutex_;               // guards everything below and every write to the record,
  std::vector<GameResult> games_;  // the progress stream and the index page; sorted by game
  std::optional<SprtPlot> plot_;   // the test of --sprt or --sprt-points
  std::optional<LiveSprt> sprt_;
  std::atomic<bool> sprtDecided_{false};
};

}  // namespace Match
