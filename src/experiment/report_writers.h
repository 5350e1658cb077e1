#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "curling/game_state.h"
#include "search/core/search_result.h"

namespace Curling {

// The three report files of one experiment run, opened for writing (truncated) in this order:
// "shot.txt", "result.txt", "aggregate.txt", inside `directory`. A file that cannot be opened
// keeps its stream in the failed state: every line meant for it is dropped silently and the run
// goes on. Closed, and so flushed, when the object goes away.
struct ReportFiles {
  explicit ReportFiles(const std::filesystem::path& directory);

  std::ofstream shot;       // one line per shot
  std::ofstream result;     // one line per game
  std::ofstream aggregate;  // one line per run
};

// Games won by each side of the player table and games drawn, over one run.
struct Tallies {
  int firstWins = 0;   // entry 0 ("Primitive"): side 0 ahead at the end of the game
  int secondWins = 0;  // entry 1 ("UCT"): side 1 ahead
  int draws = 0;       // level

  // Counts one finished game by the sum of all ten end scores (above 0: side 0 won).
  void Count(const CurlingGameState& state);
};

// The console table's header line, on the diagnostic stream.
void WriteTableHeader(std::ostream& log);

// One shot's row of the console table, as one raw write through `reply`, in the fixed-width
// format "%7s : %5d : %4d : %5d : %2.0f : %11s : %.3f : %.0f : %5d : %5ld\n": player label,
// playouts of the search, candidates, shot number, power, shot label, rate, win, playouts of the
// shot, milliseconds. A failed write is not reported.
void WriteShotRow(const std::function<bool(std::string_view)>& reply, const std::string& player,
                  const SearchResult& result, int shotNumber, long elapsedMs);

// The same ten values as a "shot.txt" line: separated by commas, in the stream's default number
// forms (six significant digits for the doubles), no comma at the end.
void WriteShotLine(std::ostream& file, const std::string& player, const SearchResult& result,
                   int shotNumber, long elapsedMs);

// A game's line in "result.txt": the ten end scores, slot 0 first, each followed by a comma.
void WriteGameLine(std::ostream& file, const CurlingGameState& state);

// The run's summary: "<first>win N", "<second>win N" and "draw num N" on the diagnostic stream,
// then "N,N,N" in "aggregate.txt", then "Run Command End" on the diagnostic stream.
void WriteSummary(std::ostream& log, std::ostream& aggregate, const std::string& first,
                  const std::string& second, const Tallies& tallies);

}  // namespace Curling
