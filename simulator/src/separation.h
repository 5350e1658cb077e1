// Stones that overlap in a record handed to the simulator (a server may send such a position)
// are pushed apart before the shot, so that every shot starts from a position the physics can
// reach itself.
#ifndef CURLING_SIMULATOR_SEPARATION_H
#define CURLING_SIMULATOR_SEPARATION_H

#include <cstdint>

#include "shot_physics.h"

namespace curling_sim {

// Sweeps over the stones in play, pair by pair in slot order, and moves each overlapping pair
// apart to touching distance by the least movement: both stones by half the overlap along their
// line of centres, or along y where the centres coincide (the stone of the higher slot toward
// larger y). Sweeps repeat until no pair overlaps (a cluster settles in a few) or a bound is
// reached. Deterministic. Returns the set of stones moved, bit i for slot i.
std::uint32_t SeparateOverlaps(StoneSet& stones);

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_SEPARATION_H
