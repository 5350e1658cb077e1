#include "curling/sheet.h"

#include <cmath>

namespace Curling {

float DistanceToTee(float x, float y) {
  const double dx = kTeeX - static_cast<double>(x);
  const double dy = kTeeY - static_cast<double>(y);
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

}  // namespace Curling
