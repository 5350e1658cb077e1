#include "separation.h"

namespace curling_sim {

namespace {

constexpr double kTouching = 2.0 * kStoneRadius;
// Overlaps below this count as touching: the positions are rounded to float afterwards anyway.
constexpr double kOverlapTolerance = 1e-9;
// Centres closer than this have no usable line between them.
constexpr double kCoincident = 1e-12;
// Sweeps at most: a pile of sixteen stones at one point settles well within it; stones too far
// out for a float to hold a stone's width could never settle, and stop here.
constexpr int kMaxSweeps = 256;

}  // namespace

std::uint32_t SeparateOverlaps(StoneSet& stones) {
  int live[kStoneCount];
  int count = 0;
  for (int i = 0; i < kStoneCount; ++i) {
    if (stones.inPlay[i]) live[count++] = i;
  }
  std::uint32_t moved = 0;
  for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
    bool any = false;
    for (int m = 0; m < count; ++m) {
      Vec& a = stones.position[live[m]];
      for (int n = m + 1; n < count; ++n) {
        Vec& b = stones.position[live[n]];
        const Vec r = b - a;
        const double d2 = Dot(r, r);
        if (!(d2 < (kTouching - kOverlapTolerance) * (kTouching - kOverlapTolerance))) continue;
        const double d = std::sqrt(d2);
        const Vec unit = d > kCoincident ? (1.0 / d) * r : Vec{0.0, 1.0};
        const Vec half = (0.5 * (kTouching - d)) * unit;
        a = a - half;
        b = b + half;
        moved |= (1u << live[m]) | (1u << live[n]);
        any = true;
      }
    }
    if (!any) break;
  }
  return moved;
}

}  // namespace curling_sim
