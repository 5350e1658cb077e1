#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "game.h"
#include "options.h"

namespace Match {

// File names inside the pictures directory (game and end counted from 1).
std::string EndSvgName(int game, int end);
std::string GamePageName(int game);

// Writes a picture or page file whole, replacing it; throws std::runtime_error naming the file
// when it cannot be written.
void WritePictureFile(const std::filesystem::path& path, const std::string& text);

// The HTML page of one game, complete in itself (inline style, SVG, script and data; nothing
// fetched, so it works from the file system): the score board with each side's points per end
// and in total, the result or the forfeit with its reason, a viewer that steps through every
// shot (the stones at rest after it, the paths of the stones it moved, who threw it, the release
// asked and played, the score, the thinking time and the engine's diagnostic lines) and the house
// after every end played. The page is also well-formed XML. `names` are the engines'
// descriptions, index 0 for ENGINE_A; `ends` is the number of ends planned. A game not yet
// `finished` is shown as in progress.
std::string GamePage(const GameResult& game, const std::array<std::string, 2>& names, int ends,
                     bool finished = true);

// The sequential test an index page plots: on game results, or on points per end (`onPoints`).
struct SprtPlot {
  SprtSettings settings;
  bool onPoints = false;
};

// An index page with the match's result (per engine wins, draws, losses, forfeits and mean score
// differences, and the Elo of A over B, as `curling-match summary` has them) and a line per game
// linking its page. The games are of one match; `names` are "A: command" and "B: command". With
// `sprt`, a chart of the test's log-likelihood ratio after every complete pair against the games
// read, with both bounds.
std::string IndexPage(const std::vector<GameResult>& games, const std::array<std::string, 2>& names,
                      const std::optional<SprtPlot>& sprt = std::nullopt);

struct TournamentSummary;

// A tournament's index page: the crosstable, the ratings with their intervals as an inline SVG
// chart, and a line per game (its pairing's engines by name) linking its page.
std::string TournamentIndexPage(const TournamentSummary& summary,
                                const std::vector<GameResult>& games);

}  // namespace Match
