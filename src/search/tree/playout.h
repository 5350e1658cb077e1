#pragma once

#include <iosfwd>
#include <random>

#include "curling/game_state.h"
#include "search/core/search_config.h"
#include "shots/move_state.h"

namespace Curling {

// Shot number up to which a playout completes the opening of an end.
inline constexpr int kPlayoutShotNumber = 3;

// The state after `shot` from `state`: the copy played through the simulator with noise 0.3 and
// no fixed seed, so two applications of one shot differ.
CurlingGameState ApplyShot(CurlingGameState state, const CurlingMoveState& shot);

// ApplyShot with a simulator seed drawn from `rng` (DrawSimulationSeed), so that the shot's noise
// repeats with the generator: the shots of a seeded search.
CurlingGameState ApplySeededShot(CurlingGameState state, const CurlingMoveState& shot,
                                 std::mt19937& rng);

// Completes the first shots of an end at random: from shot number s in 0 to 2 it plays 3 - s
// shots, each picked uniformly (IndexDraw on `rng`) from a fresh candidate list of the current
// state (DrawCandidate: the list's entries are made, but only the picked one's release). A state at
// shot 3 or later, or at a negative shot number (outside the record's limits), comes back
// unchanged. A shot without candidates ends the playout where it stands. The candidate lists write
// their diagnostics to `log`. With `seededShots` each shot is an ApplySeededShot on `rng` (its seed
// drawn after its pick), otherwise an ApplyShot.
CurlingGameState Playout(CurlingGameState state, std::mt19937& rng, std::ostream& log,
                         bool seededShots = false);

// The reward of a simulation as a whole number: the score truncated toward zero and kept within
// +-2147483647 (so that negating it never overflows); a score that is not a number counts 0.
int TruncateReward(double score);

}  // namespace Curling
