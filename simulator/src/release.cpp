#include "release.h"

namespace curling_sim {

namespace {

constexpr Vec kReleasePoint{kReleaseX, kReleaseY};
constexpr double kMaxHitSpeed = 3.0;
constexpr float kMaxPower = 16.0f;

// Unit vector of v, or straight toward the house when v is zero.
Vec UnitOr(Vec v, double length) {
  if (!(length > 0.0)) return {0.0, -1.0};
  return {v.x / length, v.y / length};
}

// The release velocity of the given speed whose path reaches offset at the shape point g
// (p(u) - p0 = dir * v0^2 / a * g): its heading is offset's direction turned back by g's angle.
Vec ReleaseFor(Vec offset, double distance, Vec g, double speed) {
  const double gLength = Norm(g);
  const Vec heading = MulConj(UnitOr(offset, distance), UnitOr(g, gLength));
  return speed * heading;
}

}  // namespace

Vec DrawRelease(Vec target, bool curl) {
  const Vec offset = target - kReleasePoint;
  const double distance = Norm(offset);
  const Vec rest = PathShape(1.0, SpinOfCurl(curl) * kTurn).offset;
  // distance = v0^2 / a * |G(1)|, the same shape for every speed.
  const double speed = std::sqrt(kDeceleration * distance / Norm(rest));
  return ReleaseFor(offset, distance, rest, speed);
}

Vec HitRelease(Vec target, bool curl, double speedAtTarget) {
  if (!(speedAtTarget > 0.0)) return DrawRelease(target, curl);
  const Vec offset = target - kReleasePoint;
  const double distance = Norm(offset);
  const double c = SpinOfCurl(curl) * kTurn;
  if (!(distance > 0.0)) return ReleaseFor(offset, distance, {1.0, 0.0}, speedAtTarget);
  // The stone reaches the target at the fraction u = 1 - w of its phase, where its speed is
  // v0 w; so v0 = vt / w and distance = vt^2 / (a w^2) |G(1 - w)|. Solve
  // F(w) = vt^2 |G(1 - w)| - a distance w^2 = 0 by Newton from the straight-path answer
  // w = vt / sqrt(vt^2 + 2 a distance); F is decreasing on (0, 1].
  const double vt2 = speedAtTarget * speedAtTarget;
  const double ad = kDeceleration * distance;
  double w = speedAtTarget / std::sqrt(vt2 + 2.0 * ad);
  ShapePoint s = PathShape(1.0 - w, c);
  for (int i = 0; i < 8; ++i) {
    const double g = Norm(s.offset);
    const double f = vt2 * g - ad * w * w;
    // d|G|/du = Re(conj(G/|G|) (1 - u) e^{icu}), and du = -dw.
    const double dg = g > 0.0 ? w * Dot(s.offset, s.turn) / g : w;
    const double df = -vt2 * dg - 2.0 * ad * w;
    double next = w - f / df;
    if (!(next > 0.0)) next = 0.5 * w;
    if (next > 1.0) next = 0.5 * (w + 1.0);
    // A step below 1e-9 w: w is already far inside float precision of the release; keep the
    // shape that goes with it.
    if (!(std::abs(next - w) > 1e-9 * w)) break;
    w = next;
    s = PathShape(1.0 - w, c);
  }
  return ReleaseFor(offset, distance, s.offset, speedAtTarget / w);
}

double HitSpeed(float power) {
  if (!(power > 0.0f)) return 0.0;
  return kMaxHitSpeed * std::min(power, kMaxPower) / kMaxPower;
}

}  // namespace curling_sim
