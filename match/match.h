#pragma once

#include <ostream>

#include "options.h"
#include "shot_player.h"
#include "stats.h"

namespace Match {

// Plays the whole match of `options` with `physics`: G games with sides swapped every game
// (ENGINE_A is side 0 in game 1), a progress line per shot and the summary on `progress`, the
// record and the pictures where the options ask for them. An engine that faults loses the game by
// forfeit and is started afresh for the next one. Every engine process is ended before this
// returns or throws. Throws std::runtime_error when the record or the pictures cannot be written,
// Interrupted on SIGINT or SIGTERM.
MatchTally RunMatch(const MatchOptions& options, const ShotPlayer& physics, std::ostream& progress);

}  // namespace Match
