// The physics of one shot: the delivered stone and every stone it sets moving, from release
// until all have come to rest or left play, moving from event to event.
#ifndef CURLING_SIMULATOR_SHOT_PHYSICS_H
#define CURLING_SIMULATOR_SHOT_PHYSICS_H

#include <array>
#include <limits>
#include <vector>

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

// How one stone moved during a shot: the phases it started, in order (none for a stone that never
// moved), and when it left play. It follows each phase from its t0 until the next phase's t0, the
// time it left play or the end of the phase, whichever comes first.
struct StoneTrack {
  std::vector<Phase> phases;
  double leftAt = std::numeric_limits<double>::infinity();
};

// The motion of every stone during a shot, by slot: what a viewer needs to draw the paths.
struct ShotTrace {
  std::array<StoneTrack, kStoneCount> stones;
};

// Plays the stone in slot shooter, released from the release point with velocity release and
// spin (+1, -1, 0), onto stones (whose slot shooter is overwritten). On return stones holds the
// resting positions; stones that left play have inPlay false. With a trace, every phase a stone
// starts is also kept there; the shot itself is the same with or without one.
ShotOutcome PlayShot(StoneSet& stones, int shooter, Vec release, int spin,
                     ShotTrace* trace = nullptr);

// Points along a stone's path, from where it started moving to where it stopped or left play,
// about `spacing` metres apart along each phase (both ends of each phase included). Empty for a
// stone that never moved.
std::vector<Vec> SampleTrack(const StoneTrack& track, double spacing);

// Resolves a collision of two equal stones: momentum exchange along the line of centres with
// the restitution coefficient, no friction between the stones. Velocities are updated in place.
void Collide(Vec pa, Vec& va, Vec pb, Vec& vb);

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_SHOT_PHYSICS_H
