#pragma once

#include <ostream>

#include "options.h"
#include "shot_player.h"
#include "stats.h"

namespace Match {

// Plays the match of `options` with `physics`: G games with sides swapped every game (ENGINE_A is
// side 0 in game 1), or only the games of the options' shard and from its first game on,
// numbered, seeded and sided as in the whole match; a progress line per shot and the summary on
// `progress`, the record and the pictures where the options ask for them. Up to `concurrency`
// games are played at once, each slot on its own pair of engines kept from game to game. An
// engine that faults loses the game by forfeit and is started afresh for its slot's next game.
// Every engine process is ended before this returns or throws. Throws std::runtime_error when the
// record or the pictures cannot be written, Interrupted on SIGINT or SIGTERM; either stops every
// slot.
MatchTally RunMatch(const MatchOptions& options, const ShotPlayer& physics, std::ostream& progress);

}  // namespace Match
