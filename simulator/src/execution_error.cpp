#include "execution_error.h"

#include <numbers>

namespace curling_sim {

NormalPair DrawNormalPair(std::mt19937& generator) {
  constexpr double kScale = 1.0 / 4294967296.0;
  const double u1 = (static_cast<double>(generator()) + 0.5) * kScale;  // in (0, 1)
  const double u2 = static_cast<double>(generator()) * kScale;
  const double radius = std::sqrt(-2.0 * std::log(u1));
  const double angle = 2.0 * std::numbers::pi * u2;
  return {radius * std::cos(angle), radius * std::sin(angle)};
}

Vec PerturbRelease(Vec release, double noise, NormalPair z) {
  const double speed = Norm(release) * (1.0 + z.along * noise / (2.0 * kNoiseReferenceDistance));
  const double angle =
      std::atan2(release.y, release.x) + z.across * noise / kNoiseReferenceDistance;
  const double s = std::max(0.0, speed);
  return {s * std::cos(angle), s * std::sin(angle)};
}

std::mt19937& ThreadGenerator() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return generator;
}

}  // namespace curling_sim
