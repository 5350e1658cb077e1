#include "execution_error.h"

#include <cstdint>
#include <numbers>
#include <random>

namespace curling_sim {

NormalPair DrawNormalPair(Generator& generator) {
  constexpr double kScale = 1.0 / 9007199254740992.0;                         // 2^-53
  const double u1 = (static_cast<double>(generator() >> 11) + 0.5) * kScale;  // in (0, 1)
  const double u2 = static_cast<double>(generator() >> 11) * kScale;
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

Generator& ThreadGenerator() {
  thread_local Generator generator{[] {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
  }()};
  return generator;
}

}  // namespace curling_sim
