// Inversion of the motion model: the release that brings a stone to a target.
#ifndef CURLING_SIMULATOR_RELEASE_H
#define CURLING_SIMULATOR_RELEASE_H

#include "motion.h"

namespace curling_sim {

// Spin of a released stone: curl 1 turns clockwise (bends right of its travel), curl 0 the other
// way.
inline int SpinOfCurl(bool curl) {
  return curl ? -1 : 1;
}

// The release velocity (from the release point) whose path comes to rest on target.
Vec DrawRelease(Vec target, bool curl);

// The release velocity whose path passes through target with the given speed (m/s, >= 0).
// Speed 0 is the draw.
Vec HitRelease(Vec target, bool curl, double speedAtTarget);

// Speed at the target that a hit of this power asks for: 3.0 * min(power, 16) / 16 m/s,
// a power below 0 (or not a number) counting as 0.
double HitSpeed(float power);

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_RELEASE_H
