#pragma once

#include <array>
#include <string>
#include <vector>

#include "game.h"

namespace Match {

// File names inside the pictures directory (game and end counted from 1).
std::string EndSvgName(int game, int end);
std::string GamePageName(int game);

// The HTML page of one game, complete in itself (inline style and inline SVG, no script, nothing
// fetched): the score board with each side's points per end and in total, the result or the
// forfeit with its reason, and the house after every end played. `names` are the engines'
// descriptions, index 0 for ENGINE_A; `ends` is the number of ends planned. A game not yet
// `finished` is shown as in progress.
std::string GamePage(const GameResult& game, const std::array<std::string, 2>& names, int ends,
                     bool finished = true);

// An index page linking every game page written so far, with each game's result.
std::string IndexPage(const std::vector<GameResult>& games,
                      const std::array<std::string, 2>& names);

}  // namespace Match
