// The physics of one shot: the delivered stone and every stone it sets moving, from release
// until all have come to rest or left play, moving from event to event.
#ifndef CURLING_SIMULATOR_SHOT_PHYSICS_H
#define CURLING_SIMULATOR_SHOT_PHYSICS_H

#include "motion.h"

namespace curling_sim {

inline constexpr int kStoneCount = 16;
// Events (collisions, stops, departures, re-checks) handled per shot at most; past it every
// stone is stopped where it is, so every input ends in bounded time.
inline constexpr int kMaxEvents = 4000;

// Stones of the sheet: position and whether each is in play. Stones not in play are ignored.
struct StoneSet {
  Vec position[kStoneCount];
  bool inPlay[kStoneCount] = {};
};

// What the shot did besides moving stones.
struct ShotOutcome {
  bool shooterTouched = false;  // the delivered stone touched another stone
  int events = 0;               // events handled
  bool capped = false;          // the event limit stopped the shot
};

// Plays the stone in slot shooter, released from the release point with velocity release and
// spin (+1, -1, 0), onto stones (whose slot shooter is overwritten). On return stones holds the
// resting positions; stones that left play have inPlay false.
ShotOutcome PlayShot(StoneSet& stones, int shooter, Vec release, int spin);

// Resolves a collision of two equal stones: momentum exchange along the line of centres with
// the restitution coefficient, no friction between the stones. Velocities are updated in place.
void Collide(Vec pa, Vec& va, Vec pb, Vec& vb);

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_SHOT_PHYSICS_H
