// Execution error of a delivery: a Gaussian perturbation of the release, and the generators.
#ifndef CURLING_SIMULATOR_EXECUTION_ERROR_H
#define CURLING_SIMULATOR_EXECUTION_ERROR_H

#include "generator.h"
#include "motion.h"

namespace curling_sim {

// Two independent standard normal numbers (Box-Muller on two 53-bit uniform draws), written out
// so that the numbers do not depend on the standard library's distributions.
struct NormalPair {
  double along;
  double across;
};
NormalPair DrawNormalPair(Generator& generator);

// The release with its speed scaled by 1 + along * noise / (2 D) and its direction turned by
// across * noise / D, D the release-to-tee distance: a draw to the tee then comes to rest with
// a standard deviation of noise metres both along and across the sheet.
Vec PerturbRelease(Vec release, double noise, NormalPair z);

// The calling thread's own generator, seeded once from std::random_device.
Generator& ThreadGenerator();

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_EXECUTION_ERROR_H
