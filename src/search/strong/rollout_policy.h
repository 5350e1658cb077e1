#pragma once

#include <random>

#include "curling/game_state.h"
#include "curling_simulator.h"

namespace Curling {

// The fast policy that plays the rest of an end inside the "Strong" search and in the tools that
// measure end scores: the side to move tries a handful of releases without noise (draws to the tee
// with both curls, and when the other side lies in the house a take-out and a tap of its stone
// nearest the tee) and plays, with the engine's noise, the one whose running score is best for it.
// Cheap enough to run to the end of an end thousands of times a second, and far stronger than a
// random pick from the candidate list.

// The release the greedy policy picks for the side to move in `state` (shot number 0 to 15).
ShotVelocity GreedyRelease(const CurlingGameState& state);

// Plays greedy shots with noise 0.3, each seeded from `rng`, until the end in progress closes
// (the shot number comes back to 0), `maxShots` shots are played or the simulator refuses a shot;
// returns the state reached.
CurlingGameState PlayOutEnd(CurlingGameState state, std::mt19937& rng, int maxShots = kShotsPerEnd);

}  // namespace Curling
