// Closed-form motion of a sliding stone between two events (release, collision, rest).
//
// During one phase the speed falls linearly, v(t) = v0 - a t, until the stone stops at
// T = v0 / a, and the heading turns at the constant rate c / T, so by the constant angle c over
// the whole phase (c = 0 for a stone without rotation). With u = t / T in [0, 1] the position is
//   p(u) = p0 + dir * (v0^2 / a) * G(u, c),   G(u, c) = integral_0^u (1 - s) e^{i c s} ds,
// with complex numbers standing for sheet vectors. Every path is a scaled and rotated copy of one
// shape per rotation, which makes releases a closed-form (or 1-D) inversion.
#ifndef CURLING_SIMULATOR_MOTION_H
#define CURLING_SIMULATOR_MOTION_H

#include <algorithm>
#include <cmath>

#include "curling_sim/sheet.h"

namespace curling_sim {

// A sheet vector (metres or metres per second), also used as a complex number x + i y.
struct Vec {
  double x = 0.0;
  double y = 0.0;
};

inline Vec operator+(Vec a, Vec b) {
  return {a.x + b.x, a.y + b.y};
}
inline Vec operator-(Vec a, Vec b) {
  return {a.x - b.x, a.y - b.y};
}
inline Vec operator*(double s, Vec a) {
  return {s * a.x, s * a.y};
}
inline double Dot(Vec a, Vec b) {
  return a.x * b.x + a.y * b.y;
}
inline double Norm(Vec a) {
  return std::sqrt(a.x * a.x + a.y * a.y);  // magnitudes stay far below overflow in double
}
// Complex product (rotation and scaling) and the product with the conjugate of b.
inline Vec Mul(Vec a, Vec b) {
  return {a.x * b.x - a.y * b.y, a.x * b.y + a.y * b.x};
}
inline Vec MulConj(Vec a, Vec b) {
  return {a.x * b.x + a.y * b.y, a.y * b.x - a.x * b.y};
}

// The shape G(u, c) of a path and the turn e^{i c u} of its heading at the fraction u of a phase.
struct ShapePoint {
  Vec offset;
  Vec turn;
};

// Evaluates the shape by its power series in x = c u. |x| <= kTurn = 0.4, so 14 terms are exact
// to double precision, and the series has no cancellation for tiny u (huge release speeds).
inline ShapePoint PathShape(double u, double c) {
  if (c == 0.0) return {{u - 0.5 * u * u, 0.0}, {1.0, 0.0}};
  // Reciprocals 1/n, so that the unrolled loop below multiplies by constants only.
  constexpr double kInv[16] = {0.0,      1.0,      1.0 / 2,  1.0 / 3, 1.0 / 4,  1.0 / 5,
                               1.0 / 6,  1.0 / 7,  1.0 / 8,  1.0 / 9, 1.0 / 10, 1.0 / 11,
                               1.0 / 12, 1.0 / 13, 1.0 / 14, 1.0 / 15};
  const double x = c * u;
  const double x2 = x * x;
  // With term_n = x^n / n!: e^{ix} = sum i^n term_n and
  // G = u * sum i^n term_n (1/(n+1) - u/(n+2)); even n give the real parts, odd n the
  // imaginary ones, with alternating signs. Fourteen terms: the next is below 1e-17.
  double even = 1.0;  // x^n / n! for the even n of the pair, with its sign
  double gRe = 0.0, gIm = 0.0, eRe = 0.0, eIm = 0.0;
#pragma GCC unroll 7
  for (int n = 0; n < 14; n += 2) {
    const double odd = even * x * kInv[n + 1];
    gRe += even * (kInv[n + 1] - u * kInv[n + 2]);
    gIm += odd * (kInv[n + 2] - u * kInv[n + 3]);
    eRe += even;
    eIm += odd;
    even = -even * x2 * (kInv[n + 1] * kInv[n + 2]);
  }
  return {{u * gRe, u * gIm}, {eRe, eIm}};
}

// One sliding phase of one stone, in global time. A stone at rest is a phase with v0 = 0.
// Plain data without initialisers (the shot keeps sixteen of them): make one with StartPhase.
struct Phase {
  double t0;  // global time at which the phase starts, s
  Vec p0;     // position at t0, m
  Vec dir;    // unit heading at t0
  double v0;  // speed at t0, m/s
  double c;   // signed total turn of the heading over the phase, rad (0: no rotation)
  double T;   // duration v0 / a, s
  double L;   // length scale v0^2 / a, m (twice the distance slid)
};

// Starts a phase at time t0 from position p with velocity v; spin is +1 (turning
// counter-clockwise), -1 (clockwise) or 0 (no rotation).
inline Phase StartPhase(double t0, Vec p, Vec v, int spin) {
  const double speed = Norm(v);
  if (!(speed > 1e-12) || !std::isfinite(speed)) return {t0, p, {0.0, -1.0}, 0.0, 0.0, 0.0, 0.0};
  const double T = speed / kDeceleration;
  return {t0, p, {v.x / speed, v.y / speed}, speed, spin * kTurn, T, speed * T};
}

// Position and velocity of a stone at a moment of its phase.
struct Kinematics {
  Vec p;
  Vec v;
};

inline double PhaseFraction(const Phase& ph, double t) {
  if (!(ph.T > 0.0)) return 1.0;
  return std::clamp((t - ph.t0) / ph.T, 0.0, 1.0);
}

inline Kinematics StateAtFraction(const Phase& ph, double u) {
  if (!(ph.T > 0.0)) return {ph.p0, {}};
  const ShapePoint s = PathShape(u, ph.c);
  const Vec heading = Mul(ph.dir, s.turn);
  return {ph.p0 + ph.L * Mul(ph.dir, s.offset), (ph.v0 * (1.0 - u)) * heading};
}

inline Kinematics StateAt(const Phase& ph, double t) {
  return StateAtFraction(ph, PhaseFraction(ph, t));
}

inline Vec RestPoint(const Phase& ph) {
  return StateAtFraction(ph, 1.0).p;
}
inline bool IsMoving(const Phase& ph) {
  return ph.T > 0.0;
}
inline double EndTime(const Phase& ph) {
  return ph.t0 + ph.T;
}
inline double SpeedAt(const Phase& ph, double t) {
  return ph.v0 * (1.0 - PhaseFraction(ph, t));
}
// Bound on the magnitude of the stone's acceleration: a along the path, (1 - u) c a across it.
inline double AccelerationBound(const Phase& ph) {
  return IsMoving(ph) ? kDeceleration * std::sqrt(1.0 + ph.c * ph.c) : 0.0;
}

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_MOTION_H
