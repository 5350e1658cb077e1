#include "contact.h"

#include <limits>
#include <numbers>

namespace curling_sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kTouching = 2.0 * kStoneRadius;
constexpr int kMaxSteps = 96;
// While two touching stones move apart, the next look is at least this much later, s. Stones
// pressed together (a curling stone against a stone, a pushed pair whose headings differ) touch
// again and again; every look is an event, so the looks are kept this far apart. Moving apart at
// first, the stones cannot come closer in that time than A h^2 / 2 (A <= 0.17 m/s^2: 0.34 um).
constexpr double kMinSeparatingStep = 2e-3;

// How far time may advance from a state with relative position r, relative velocity w and a
// positive gap before the stones can touch, given a bound A on the relative acceleration.
// The distance after h is at least |r + w h| - A h^2 / 2.
double SafeStep(Vec r, Vec w, double d, double gap, double speedBound, double accelBound) {
  double step = gap / speedBound;  // the stones cannot close faster than their speeds
  const double b = Dot(r, w);
  const double ww = Dot(w, w);
  double linearMin = d;  // least distance of the linear prediction over all h >= 0
  if (b < 0.0 && ww > 0.0) {
    const double dmin2 = d * d - b * b / ww;
    if (dmin2 < kTouching * kTouching) {
      // The linear prediction touches at hc with closing speed cs; by convexity its distance is
      // at least 2R + cs (hc - h) before that, so the step is the root of
      // A h^2 / 2 + cs h - cs hc = 0. Written as 2 hc / (1 + sqrt(1 + 2 A hc / cs)): the
      // textbook form (-cs + sqrt(cs^2 + 2 A cs hc)) / A cancels when cs^2 dwarfs A cs hc (a
      // fast stone close to contact) and then overshoots the contact by millimetres.
      const double hc =
          (-b - std::sqrt(std::max(0.0, b * b - ww * (d * d - kTouching * kTouching)))) / ww;
      const double cs = -(b + ww * hc) / kTouching;
      double quadratic = accelBound > 0.0 ? 0.0 : hc;  // a grazing prediction (cs 0) certifies 0
      if (cs > 0.0) quadratic = 2.0 * hc / (1.0 + std::sqrt(1.0 + 2.0 * accelBound * hc / cs));
      return std::max(step, quadratic);
    }
    linearMin = std::sqrt(std::max(0.0, dmin2));
  }
  if (accelBound > 0.0)
    step = std::max(step, std::sqrt(2.0 * (linearMin - kTouching) / accelBound));
  return step;
}

// Distance a stone still slides after the moment of kinematics k: v^2 / 2a.
double RemainingSlide(const Kinematics& k) {
  return Dot(k.v, k.v) / (2.0 * kDeceleration);
}

// A stone sliding straight (no rotation) from p with velocity v toward a stone resting at q,
// more than touching distance apart: the contact is where the line meets the circle of radius
// 2R about q, if the stone gets that far. Returns the time after now, or infinity.
double StraightContactDelay(Vec p, Vec v, Vec q) {
  const double speed = Norm(v);
  const Vec dir = (1.0 / speed) * v;
  const Vec r = p - q;
  const double b = Dot(r, dir);
  if (b >= 0.0) return kInfinity;  // moving away: the distance only grows
  const double disc = b * b - (Dot(r, r) - kTouching * kTouching);
  if (disc < 0.0) return kInfinity;       // the line passes wide
  const double s = -b - std::sqrt(disc);  // distance slid to the contact
  const double rest = speed * speed - 2.0 * kDeceleration * s;
  if (rest < 0.0) return kInfinity;            // stops short
  return 2.0 * s / (speed + std::sqrt(rest));  // s = v t - a t^2 / 2, solved without cancellation
}

}  // namespace

ContactSearch FindContact(const Phase& a, const Phase& b, double from, double until) {
  // Step 1. Shortcuts for stones apart: too far to reach each other in what is left of their
  // slides, or one sliding straight at the other at rest (solved exactly).
  {
    const Kinematics ka = StateAt(a, from);
    const Kinematics kb = StateAt(b, from);
    const double gap = Norm(ka.p - kb.p) - kTouching;
    const bool aRests = Dot(ka.v, ka.v) == 0.0, bRests = Dot(kb.v, kb.v) == 0.0;
    const bool straightAtRest = (bRests && a.c == 0.0) || (aRests && b.c == 0.0);
    if (gap > kContactTolerance) {
      if (gap > RemainingSlide(ka) + RemainingSlide(kb)) return {false, kInfinity};
      if (straightAtRest) {
        const double delay = bRests ? StraightContactDelay(ka.p, ka.v, kb.p)
                                    : StraightContactDelay(kb.p, kb.v, ka.p);
        return delay < kInfinity ? ContactSearch{true, from + delay}
                                 : ContactSearch{false, kInfinity};
      }
    } else if (straightAtRest && Dot(ka.p - kb.p, ka.v - kb.v) >= 0.0) {
      // Touching, and sliding straight away from (or along) a stone at rest: the distance from a
      // point along a line only grows once it has stopped falling. (The general search below
      // would crawl here: a stone pushed sideways out of a row of touching stones leaves its
      // neighbours tangentially, and the acceleration bound allows it to turn back at once.)
      return {false, kInfinity};
    }
  }
  // Step 2. Conservative advancement.
  const double accel = AccelerationBound(a) + AccelerationBound(b);
  double t = from;
  for (int step = 0; step < kMaxSteps; ++step) {
    const double speedBound = SpeedAt(a, t) + SpeedAt(b, t);
    if (!(speedBound > 0.0)) return {false, kInfinity};  // both at rest from now on
    const Kinematics ka = StateAt(a, t);
    const Kinematics kb = StateAt(b, t);
    const Vec r = ka.p - kb.p;
    const Vec w = ka.v - kb.v;
    const double d = Norm(r);
    const double gap = d - kTouching;
    double h;
    if (gap > kContactTolerance) {
      h = SafeStep(r, w, d, gap, speedBound, accel);
    } else {
      const double rate = Dot(r, w);  // d times the rate of change of the distance
      if (rate < 0.0 || (d == 0.0 && Dot(w, w) > 0.0)) return {true, t};
      // Touching (or overlapping) and moving apart. A straight slide away from a stone at rest
      // only gets further (as in step 1).
      const bool aRests = SpeedAt(a, t) == 0.0, bRests = SpeedAt(b, t) == 0.0;
      if ((aRests && b.c == 0.0) || (bRests && a.c == 0.0)) return {false, kInfinity};
      // Otherwise the distance cannot start to shrink before its rate of change has fallen to
      // zero at the bound on the relative acceleration. Two stones sliding straight decelerate
      // along their own headings: until the first stops, their relative acceleration is
      // a (dir_b - dir_a), small for a pair pushed the same way, where the general bound would
      // allow only microsecond steps; the step then ends at that stop at the latest.
      double relative = accel, validUntil = kInfinity;
      if (a.c == 0.0 && b.c == 0.0 && !aRests && !bRests) {
        relative = kDeceleration * Norm(a.dir - b.dir);
        validUntil = std::min(EndTime(a), EndTime(b));
      }
      h = relative > 0.0 ? rate / d / relative : kInfinity;
      h = std::max(kMinSeparatingStep, std::min(h, validUntil - t));
    }
    // A step past the horizon certifies its whole length: later searches start from there.
    if (!(h > 0.0) || !std::isfinite(t + h)) return {false, until};
    if (t + h >= until) return {false, t + h};
    t += h;
  }
  return {false, t};
}

namespace {

// One coordinate of the stone's path as a function of the phase fraction u.
struct Coordinate {
  const Phase& ph;
  bool isY;
  double At(double u) const {
    const Vec p = StateAtFraction(ph, u).p;
    return isY ? p.y : p.x;
  }
  // d/du of the coordinate: L (1 - u) times the heading.
  double Slope(double u) const {
    const Vec h = Mul(ph.dir, PathShape(u, ph.c).turn);
    return ph.L * (1.0 - u) * (isY ? h.y : h.x);
  }
};

// The fraction in (lo, hi] at which a coordinate, monotone there, reaches level, knowing that
// it is on one side of level at lo and on the other at hi. Newton, kept inside the bracket.
double Crossing(const Coordinate& f, double lo, double hi, double level) {
  const bool rising = f.At(hi) > f.At(lo);
  double u = lo;
  for (int i = 0; i < 60; ++i) {
    const double value = f.At(u) - level;
    if (std::abs(value) <= 1e-10) return u;
    if ((value < 0.0) == rising) {
      lo = u;
    } else {
      hi = u;
    }
    const double slope = f.Slope(u);
    double next = slope != 0.0 ? u - value / slope : 0.5 * (lo + hi);
    if (!(next > lo && next < hi)) next = 0.5 * (lo + hi);
    if (hi - lo <= 1e-15 * hi) break;
    u = next;
  }
  return hi;
}

// Fraction in (0, 1) at which the heading of the phase points along the given axis angle modulo
// pi (there is at most one since |c| < pi), or -1.
double TurningPoint(const Phase& ph, double axisAngle) {
  if (ph.c == 0.0) return -1.0;
  const double start = std::atan2(ph.dir.y, ph.dir.x);
  const double lo = std::min(start, start + ph.c);
  const double hi = std::max(start, start + ph.c);
  const double n = std::ceil((lo - axisAngle) / std::numbers::pi);
  const double angle = axisAngle + n * std::numbers::pi;
  if (!(angle > lo && angle < hi)) return -1.0;
  return (angle - start) / ph.c;
}

}  // namespace

Box PathBox(const Phase& ph, double until) {
  Box box{ph.p0.x, ph.p0.y, ph.p0.x, ph.p0.y};
  if (!IsMoving(ph)) return box;
  const auto add = [&box](Vec p) {
    box.minX = std::min(box.minX, p.x);
    box.maxX = std::max(box.maxX, p.x);
    box.minY = std::min(box.minY, p.y);
    box.maxY = std::max(box.maxY, p.y);
  };
  add(StateAtFraction(ph, until).p);
  for (const double u : {TurningPoint(ph, std::numbers::pi / 2), TurningPoint(ph, 0.0)}) {
    if (u > 0.0 && u < until) add(StateAtFraction(ph, u).p);
  }
  return box;
}

double LeavesPlayTime(const Phase& ph) {
  if (OutsidePlayingArea(ph.p0)) return ph.t0;
  if (!IsMoving(ph)) return kInfinity;
  // x has an extremum where the heading is along y (angle pi/2 mod pi), y where it is along x.
  double cuts[4] = {0.0, TurningPoint(ph, std::numbers::pi / 2), TurningPoint(ph, 0.0), 1.0};
  if (cuts[1] > cuts[2]) std::swap(cuts[1], cuts[2]);
  const Coordinate x{ph, false};
  const Coordinate y{ph, true};
  double lo = 0.0;
  for (int i = 1; i < 4; ++i) {
    const double hi = cuts[i];
    if (!(hi > lo)) continue;
    const Vec pHi = StateAtFraction(ph, hi).p;
    double first = kInfinity;
    if (pHi.x <= kPlayMinX) first = std::min(first, Crossing(x, lo, hi, kPlayMinX));
    if (pHi.x >= kPlayMaxX) first = std::min(first, Crossing(x, lo, hi, kPlayMaxX));
    if (pHi.y < kPlayMinY) first = std::min(first, Crossing(y, lo, hi, kPlayMinY));
    if (first < kInfinity) return ph.t0 + first * ph.T;
    lo = hi;
  }
  return kInfinity;
}

}  // namespace curling_sim
