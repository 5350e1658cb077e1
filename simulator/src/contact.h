// Event finding for moving stones: when two stones meet, when a stone leaves the playing area.
#ifndef CURLING_SIMULATOR_CONTACT_H
#define CURLING_SIMULATOR_CONTACT_H

#include "motion.h"

namespace curling_sim {

// Two stones closer than this beyond touching count as in contact.
inline constexpr double kContactTolerance = 1e-6;

// Outcome of a search for the first contact of two stones.
struct ContactSearch {
  bool hit = false;   // a contact (stones touching and approaching) was found at time
  double time = 0.0;  // the contact time, or the time up to which no contact is certain
};

// Searches [from, until] for the first moment the stones a and b touch while approaching each
// other. Conservative advancement: each step is no longer than what the bounds on the stones'
// speeds and accelerations allow, so a contact is never stepped over; near a contact the steps
// follow the linear prediction (quadratic convergence). A search that takes too many steps
// returns hit = false with time < until: no contact before that time, search again from there.
ContactSearch FindContact(const Phase& a, const Phase& b, double from, double until);

// The first time at which the stone of this phase touches a side line or completely crosses the
// back line, or infinity if it stays in play for the whole phase.
double LeavesPlayTime(const Phase& ph);

// An axis-aligned box, m.
struct Box {
  double minX, minY, maxX, maxY;
};

// The smallest box holding the centre of the stone over its phase from the start to the fraction
// until of the phase (its ends and the extremes of x and y between them).
Box PathBox(const Phase& ph, double until);

// False only when no point of a is within distance of a point of b (comparisons that fail on a
// number that is not finite count as near).
inline bool BoxesNear(const Box& a, const Box& b, double distance) {
  return !(a.minX - b.maxX > distance || b.minX - a.maxX > distance || a.minY - b.maxY > distance ||
           b.minY - a.maxY > distance);
}

// True when a stone at p is out of the playing area (touching a side line or beyond the back line).
inline bool OutsidePlayingArea(Vec p) {
  return !(p.x > kPlayMinX && p.x < kPlayMaxX && p.y >= kPlayMinY);
}

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_CONTACT_H
