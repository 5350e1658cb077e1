// The event search against brute force: first contacts of two stones, and the moment a stone
// leaves the playing area, over straight and curling paths.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "contact.h"

namespace {

using curling_sim::FindContact;
using curling_sim::Phase;
using curling_sim::StartPhase;
using curling_sim::StateAt;
using curling_sim::Vec;

constexpr double kInf = std::numeric_limits<double>::infinity();

double Gap(const Phase& a, const Phase& b, double t) {
  return curling_sim::Norm(StateAt(a, t).p - StateAt(b, t).p) - 0.29;
}

// First time the gap falls to zero, by fine sampling and bisection (or infinity).
double BruteForceContact(const Phase& a, const Phase& b, double until) {
  const int n = 200000;
  double prev = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double t = until * i / n;
    if (Gap(a, b, t) <= 0.0) {
      double lo = prev, hi = t;
      for (int k = 0; k < 60; ++k) {
        const double mid = 0.5 * (lo + hi);
        (Gap(a, b, mid) <= 0.0 ? hi : lo) = mid;
      }
      return hi;
    }
    prev = t;
  }
  return kInf;
}

double SearchAll(const Phase& a, const Phase& b, double until) {
  double t = 0.0;
  for (int i = 0; i < 1000; ++i) {
    const curling_sim::ContactSearch s = FindContact(a, b, t, until);
    if (s.hit) return s.time;
    if (s.time >= until) return kInf;
    t = s.time;
  }
  return -1.0;
}

struct PairCase {
  const char* name;
  bool contact;
  Vec pa, va;
  int spinA;
  Vec pb, vb;
  int spinB;
};

TEST(FindContact, AgreesWithBruteForce) {
  const PairCase cases[] = {
      {"straight into a resting stone", true, {2.375, 10}, {0, -1.5}, 0, {2.4, 5}, {}, 0},
      {"curling into a resting stone", true, {2.375, 33.23}, {0.25, -2.2}, -1, {1.95, 3.2}, {}, 0},
      {"curling, other way", true, {2.375, 33.23}, {-0.28, -2.11}, 1, {2.5, 5.0}, {}, 0},
      {"two moving head-on", true, {2.0, 8.0}, {0.0, -1.0}, 0, {2.1, 4.0}, {0.0, 0.8}, 0},
      {"two moving, crossing paths",
       true,
       {1.0, 6.0},
       {1.2, -0.2},
       0,
       {2.336, 6.993},
       {0.1, -1.0},
       0},
      {"curling shooter catches a slower stone",
       true,
       {2.375, 12.0},
       {0.0, -1.6},
       -1,
       {2.3, 9.0},
       {0.0, -0.5},
       0},
      {"a clear miss", false, {2.375, 10}, {0, -1.5}, 0, {2.375 + 0.3, 5}, {}, 0},
      {"a narrow miss", false, {2.375, 10}, {0, -1.5}, 0, {2.375 + 0.2901, 5}, {}, 0},
      {"a narrow hit", true, {2.375, 10}, {0, -1.5}, 0, {2.375 + 0.2899, 5}, {}, 0},
      {"stopping just short", false, {2.375, 10}, {0, -0.8}, 0, {2.375, 10 - 4.0 - 0.2905}, {}, 0},
  };
  for (const PairCase& c : cases) {
    const Phase a = StartPhase(0.0, c.pa, c.va, c.spinA);
    const Phase b = StartPhase(0.0, c.pb, c.vb, c.spinB);
    const double until = std::max(a.T, b.T);
    const double expected = BruteForceContact(a, b, until);
    const double found = SearchAll(a, b, until);
    EXPECT_EQ(c.contact, expected != kInf) << c.name;  // the case tests what it says
    if (expected == kInf) {
      EXPECT_EQ(kInf, found) << c.name;
    } else {
      EXPECT_NEAR(expected, found, 1e-5) << c.name;
      EXPECT_GE(Gap(a, b, found), -1e-9) << c.name;  // never found inside the other stone
      EXPECT_LE(Gap(a, b, found), curling_sim::kContactTolerance + 1e-9) << c.name;
    }
  }
}

// A stone released at millions of metres a second (any float is a release) closes on a resting
// stone by metres in the last microsecond: the search must still stop at touching distance, not
// millimetres inside the other stone, at either curl and at glancing and full contact.
TEST(FindContact, FastStoneStopsAtTouching) {
  for (const double offset : {0.0, 0.12277, 0.25}) {
    for (const int spin : {-1, 1}) {
      const Phase a = StartPhase(0.0, {2.375, 33.23}, {0.0, -1995927.5}, spin);
      const Phase b = StartPhase(0.0, {2.375 + offset, 14.0623}, {}, 0);
      const double found = SearchAll(a, b, a.T);
      ASSERT_LT(found, a.T) << offset;
      EXPECT_GE(Gap(a, b, found), -1e-9) << offset << " spin " << spin;
      EXPECT_LE(Gap(a, b, found), curling_sim::kContactTolerance + 1e-9) << offset;
    }
  }
}

// The reach box that decides which pairs are searched: it must hold every point of the path up to
// the given fraction (else a contact is never looked for), and it is no larger than the path.
TEST(PathBox, HoldsThePathAndNoMore) {
  struct Case {
    Vec p, v;
    int spin;
    double until;
  };
  const Case cases[] = {
      {{2.375, 33.23}, {0.25, -2.2}, -1, 1.0}, {{2.375, 33.23}, {-0.28, -2.11}, 1, 1.0},
      {{2.0, 5.0}, {1.2, 0.9}, 0, 1.0},        {{2.0, 5.0}, {-0.3, 2.0}, 1, 0.3},
      {{1.0, 6.0}, {0.01, -0.5}, -1, 1.0},     {{3.0, 4.0}, {0.0, 0.0}, 0, 1.0}};
  for (const Case& c : cases) {
    const Phase ph = StartPhase(0.0, c.p, c.v, c.spin);
    const curling_sim::Box box = curling_sim::PathBox(ph, c.until);
    curling_sim::Box sampled{kInf, kInf, -kInf, -kInf};
    for (int i = 0; i <= 10000; ++i) {
      const Vec p = curling_sim::StateAtFraction(ph, c.until * i / 10000).p;
      sampled = {std::min(sampled.minX, p.x), std::min(sampled.minY, p.y),
                 std::max(sampled.maxX, p.x), std::max(sampled.maxY, p.y)};
    }
    EXPECT_LE(box.minX, sampled.minX + 1e-12) << c.v.x;
    EXPECT_LE(box.minY, sampled.minY + 1e-12) << c.v.x;
    EXPECT_GE(box.maxX, sampled.maxX - 1e-12) << c.v.x;
    EXPECT_GE(box.maxY, sampled.maxY - 1e-12) << c.v.x;
    EXPECT_NEAR(box.minX, sampled.minX, 1e-6) << c.v.x;
    EXPECT_NEAR(box.maxY, sampled.maxY, 1e-6) << c.v.x;
  }
}

// Crossing times of the side lines and the back line against sampling of the path.
TEST(LeavesPlayTime, AgreesWithSampling) {
  struct Case {
    Vec p, v;
    int spin;
  };
  const Case cases[] = {{{2.375, 33.23}, {-0.5, -2.2}, 1}, {{2.375, 33.23}, {0.5, -2.2}, -1},
                        {{2.375, 33.23}, {0.0, -3.0}, -1}, {{2.375, 33.23}, {0.28, -2.11}, -1},
                        {{1.0, 5.0}, {-1.0, 0.1}, 0},      {{4.0, 5.0}, {0.9, 0.5}, 0},
                        {{2.0, 4.0}, {0.3, -0.9}, 0},      {{2.0, 6.0}, {-1.0, 0.05}, 1},
                        {{4.3, 6.0}, {0.2, -0.3}, 1},      {{0.5, 3.5}, {0.0, -0.2}, 0}};
  int leaving = 0;
  for (const Case& c : cases) {
    const Phase ph = StartPhase(0.0, c.p, c.v, c.spin);
    double expected = kInf;
    for (int i = 0; i <= 100000; ++i) {
      const double t = ph.T * i / 100000;
      if (curling_sim::OutsidePlayingArea(StateAt(ph, t).p)) {
        expected = t;
        break;
      }
    }
    const double found = curling_sim::LeavesPlayTime(ph);
    leaving += expected != kInf;
    if (expected == kInf) {
      EXPECT_EQ(kInf, found) << c.p.x << ", " << c.p.y;
    } else {
      EXPECT_NEAR(expected, found, ph.T / 100000 + 1e-9) << c.p.x << ", " << c.p.y;
    }
  }
  EXPECT_EQ(8, leaving);  // side lines, back line, and two that stay in play
}

}  // namespace
