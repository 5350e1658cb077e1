// Releases and the calibration of the motion model: draws land on their targets, hits pass
// through theirs at the asked speed, and a draw to the tee looks like one on real ice.
#include <gtest/gtest.h>

#include <cmath>

#include "motion.h"
#include "release.h"
#include "simulator_test_support.h"

namespace {

using namespace curling_sim_test;
using curling_sim::Phase;
using curling_sim::StartPhase;
using curling_sim::StateAtFraction;
using curling_sim::Vec;

Phase ReleasePhase(ShotVelocity v) {
  return StartPhase(0.0, {2.375, 33.23}, {v.vx, v.vy}, curling_sim::SpinOfCurl(v.curl));
}

// Smallest distance of the path of a release from a point, and the fraction where it occurs.
struct Approach {
  double distance;
  double u;
};

Approach ClosestApproach(const Phase& ph, Vec target) {
  auto distance = [&](double u) { return curling_sim::Norm(StateAtFraction(ph, u).p - target); };
  double best = 0.0;
  for (int i = 0; i <= 2000; ++i) {
    if (distance(i / 2000.0) < distance(best)) best = i / 2000.0;
  }
  double lo = std::max(0.0, best - 1.0 / 2000), hi = std::min(1.0, best + 1.0 / 2000);
  for (int i = 0; i < 200; ++i) {  // ternary search on the unimodal neighbourhood
    const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
    if (distance(m1) < distance(m2)) {
      hi = m2;
    } else {
      lo = m1;
    }
  }
  return {distance(0.5 * (lo + hi)), 0.5 * (lo + hi)};
}

// Every target between the back line and the hog line that a curling path can reach without
// touching a side line: a path bows up to about 1.1 m against its curl, so a stone with curl 0
// (bending toward larger x) cannot reach the 0.75 m beside the left side line, and mirrored.
TEST(DrawAccuracy, LoneStoneRestsWithinOneMillimetreOfEveryTarget) {
  int checked = 0;
  for (int curl = 0; curl < 2; ++curl) {
    for (float y = 3.05f; y <= 11.13f; y += 0.2f) {
      for (float x = 0.15f; x <= 4.6f; x += 0.1f) {
        if ((curl == 0 && x < 0.9f) || (curl == 1 && x > 3.85f)) continue;
        CurlingStateRecord r = MakeRecord(0, 0, false);
        ASSERT_EQ(0, Simulation(&r, Draw(x, y, curl), 0.0f, nullptr, 0));
        EXPECT_LT(Distance(r.stones[0], x, y), 1e-3)
            << "target " << x << ", " << y << " curl " << curl;
        ++checked;
      }
    }
  }
  EXPECT_EQ(3075, checked);
}

TEST(DrawAccuracy, TargetsOffTheSheetGetFiniteReleases) {
  const float targets[][2] = {{2.375f, 1.0f},  {-3.0f, 5.0f},   {9.0f, 20.0f}, {2.375f, 33.23f},
                              {2.375f, 60.0f}, {1e30f, -1e30f}, {3e38f, 3e38f}};
  for (const auto& t : targets) {
    for (bool curl : {false, true}) {
      ShotVelocity v{};
      EXPECT_EQ(0, CreateShot({t[0], t[1], curl}, &v)) << t[0] << ", " << t[1];
      EXPECT_TRUE(std::isfinite(v.vx) && std::isfinite(v.vy));
      EXPECT_EQ(curl, v.curl);
      ShotVelocity h{};
      EXPECT_EQ(0, CreateHitShot({t[0], t[1], curl}, 16.0f, &h));
      EXPECT_TRUE(std::isfinite(h.vx) && std::isfinite(h.vy));
    }
  }
  // Behind the back line the release is extrapolated: the path still ends on the target.
  const ShotVelocity v = Draw(2.0f, 1.0f, true);
  const Vec rest = curling_sim::RestPoint(ReleasePhase(v));
  EXPECT_NEAR(2.0, rest.x, 1e-4);
  EXPECT_NEAR(1.0, rest.y, 1e-4);
}

struct HitCase {
  float x, y, power;
  double speed;  // expected at the target, m/s
};

TEST(HitShot, PathPassesThroughTheTargetAtTheAskedSpeed) {
  const HitCase cases[] = {{2.375f, 4.88f, 16.0f, 3.0}, {1.2f, 3.5f, 16.0f, 3.0},
                           {3.9f, 9.0f, 8.0f, 1.5},     {2.0f, 6.0f, 4.0f, 0.75},
                           {0.5f, 10.0f, 1.0f, 0.1875}, {2.375f, 4.88f, 100.0f, 3.0},
                           {4.4f, 3.2f, 16.0f, 3.0},    {2.375f, 20.0f, 12.0f, 2.25}};
  for (const HitCase& c : cases) {
    for (bool curl : {false, true}) {
      const Phase ph = ReleasePhase(Hit(c.x, c.y, curl, c.power));
      const Approach a = ClosestApproach(ph, {c.x, c.y});
      EXPECT_LT(a.distance, 1e-3) << c.x << ", " << c.y << " power " << c.power;
      EXPECT_NEAR(c.speed, ph.v0 * (1.0 - a.u), 1e-3) << c.x << ", " << c.y << " power " << c.power;
    }
  }
}

TEST(HitShot, PowerZeroOrBelowIsTheDraw) {
  for (float x : {0.5f, 2.375f, 4.0f}) {
    for (float y : {3.5f, 4.88f, 10.0f}) {
      for (bool curl : {false, true}) {
        const ShotVelocity draw = Draw(x, y, curl);
        for (float power : {0.0f, -1.0f, -1e30f, std::nanf("")}) {
          const ShotVelocity hit = Hit(x, y, curl, power);
          EXPECT_FLOAT_EQ(draw.vx, hit.vx);
          EXPECT_FLOAT_EQ(draw.vy, hit.vy);
        }
        // A tiny power is close to the draw: the release is continuous in the power.
        const ShotVelocity slow = Hit(x, y, curl, 1e-4f);
        EXPECT_NEAR(draw.vx, slow.vx, 1e-3);
        EXPECT_NEAR(draw.vy, slow.vy, 1e-3);
      }
    }
  }
}

// The draw to the tee: release speed, hog-to-hog time and the curl of its path.
TEST(Calibration, DrawToTheTeeMatchesTheIce) {
  for (bool curl : {false, true}) {
    const ShotVelocity v = Draw(kTeeX, kTeeY, curl);
    const double speed = std::hypot(v.vx, v.vy);
    EXPECT_GE(speed, 2.0);
    EXPECT_LE(speed, 2.4);
    const Phase ph = ReleasePhase(v);
    // Time to reach the far hog line (y = 11.28): y falls monotonically along this path.
    double lo = 0.0, hi = 1.0;
    for (int i = 0; i < 100; ++i) {
      const double mid = 0.5 * (lo + hi);
      (StateAtFraction(ph, mid).p.y > 11.28 ? lo : hi) = mid;
    }
    const double hogToHog = lo * ph.T;
    EXPECT_GE(hogToHog, 13.0);
    EXPECT_LE(hogToHog, 15.0);
    // Greatest distance of the path from the chord release-rest (which runs along x = 2.375).
    double curlDistance = 0.0;
    for (int i = 0; i <= 1000; ++i) {
      curlDistance = std::max(curlDistance, std::abs(StateAtFraction(ph, i / 1000.0).p.x - 2.375));
    }
    EXPECT_GE(curlDistance, 0.8);
    EXPECT_LE(curlDistance, 1.5);
    // Curl 1 bends right of the travel: released toward larger x, it comes back to smaller x.
    EXPECT_EQ(curl, v.vx > 0.0f);
  }
}

TEST(Calibration, CurlsAreMirrorImages) {
  const float targets[][2] = {{2.375f, 4.88f}, {1.3f, 6.1f}, {3.7f, 3.3f}, {2.0f, 10.5f}};
  for (const auto& t : targets) {
    for (bool curl : {false, true}) {
      const ShotVelocity v = Draw(t[0], t[1], curl);
      const ShotVelocity m = Draw(2 * 2.375f - t[0], t[1], !curl);
      EXPECT_NEAR(v.vx, -m.vx, 1e-6);
      EXPECT_NEAR(v.vy, m.vy, 1e-6);
      // On an empty sheet the mirrored release comes to rest at the mirrored point.
      CurlingStateRecord a = MakeRecord(0, 0, false), b = MakeRecord(0, 0, false);
      Simulation(&a, v, 0.0f, nullptr, 0);
      Simulation(&b, {-v.vx, v.vy, !curl}, 0.0f, nullptr, 0);
      EXPECT_NEAR(a.stones[0].x - 2.375f, 2.375f - b.stones[0].x, 1e-5);
      EXPECT_NEAR(a.stones[0].y, b.stones[0].y, 1e-5);
    }
  }
}

}  // namespace
