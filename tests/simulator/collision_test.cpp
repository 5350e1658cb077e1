// Collisions: the momentum exchange itself, and stones set moving by the delivered one.
#include <gtest/gtest.h>

#include <cmath>

#include "contact.h"
#include "release.h"
#include "shot_physics.h"
#include "simulator_test_support.h"

namespace {

using namespace curling_sim_test;
using curling_sim::Vec;

struct CollisionCase {
  const char* name;
  Vec pa, va, pb, vb;
};

double Energy(Vec v) {
  return 0.5 * curling_sim::Dot(v, v);
}

TEST(Collide, ConservesMomentumAndNeverAddsEnergy) {
  const CollisionCase cases[] = {
      {"head-on into a resting stone", {0, 0.29}, {0, -2}, {0, 0}, {0, 0}},
      {"glancing at 30 degrees", {0, 0}, {0, -3}, {0.145, -0.2511}, {0, 0}},
      {"thin at 80 degrees", {0, 0}, {0, -1}, {0.2856, -0.0504}, {0, 0}},
      {"both moving, head-on", {0, 0}, {1, 0}, {0.29, 0}, {-0.5, 0}},
      {"both moving, oblique", {0, 0}, {1, -1}, {0.2, -0.21}, {-0.3, 0.4}},
  };
  for (const CollisionCase& c : cases) {
    Vec va = c.va, vb = c.vb;
    curling_sim::Collide(c.pa, va, c.pb, vb);
    const Vec before = c.va + c.vb, after = va + vb;
    EXPECT_NEAR(before.x, after.x, 1e-12) << c.name;
    EXPECT_NEAR(before.y, after.y, 1e-12) << c.name;
    EXPECT_LE(Energy(va) + Energy(vb), Energy(c.va) + Energy(c.vb) + 1e-12) << c.name;
    // Only the components along the line of centres change; restitution is in [0.85, 1].
    Vec n = c.pb - c.pa;
    n = (1.0 / curling_sim::Norm(n)) * n;
    const double approachBefore = curling_sim::Dot(c.va - c.vb, n);
    const double approachAfter = curling_sim::Dot(va - vb, n);
    const double e = -approachAfter / approachBefore;
    EXPECT_GE(e, 0.85) << c.name;
    EXPECT_LE(e, 1.0) << c.name;
    const Vec t{-n.y, n.x};
    EXPECT_NEAR(curling_sim::Dot(c.va, t), curling_sim::Dot(va, t), 1e-12) << c.name;
    EXPECT_NEAR(curling_sim::Dot(c.vb, t), curling_sim::Dot(vb, t), 1e-12) << c.name;
  }
  // Stones already moving apart are left alone.
  Vec va{0, 1}, vb{0, -1};
  curling_sim::Collide({0, 0.29}, va, {0, 0}, vb);
  EXPECT_EQ(1.0, va.y);
}

// A stone without rotation, delivered straight down the centre line, hits a stone on the tee
// head-on: the struck stone goes straight on, the shooter stops just short of the tee.
TEST(ShotPhysics, HeadOnHitDrivesTheStoneStraightOn) {
  curling_sim::StoneSet stones;
  stones.inPlay[1] = true;
  stones.position[1] = {2.375, 4.88};
  curling_sim::PlayShot(stones, 0, {0.0, -2.18}, 0);
  ASSERT_TRUE(stones.inPlay[0]);
  ASSERT_TRUE(stones.inPlay[1]);
  EXPECT_NEAR(2.375, stones.position[1].x, 1e-9);
  EXPECT_LT(stones.position[1].y, 4.88 - 0.2);
  EXPECT_NEAR(2.375, stones.position[0].x, 1e-9);
  EXPECT_GT(stones.position[0].y, 4.88);
  EXPECT_GE(std::abs(stones.position[0].y - stones.position[1].y), 0.29 - 1e-6);
}

// A curling shooter strikes a stone off-centre: the struck stone slides in a straight line from
// the contact along the line of centres, slowing at the model's deceleration.
TEST(ShotPhysics, StruckStoneSlidesStraightFromTheContact) {
  const curling_sim::Vec target{2.2, 5.5};
  for (bool curl : {false, true}) {
    const ShotVelocity v = Hit(2.3f, 5.5f, curl, 3.0f);  // hits the stone at 2.2 off-centre
    const curling_sim::Phase shooter =
        curling_sim::StartPhase(0.0, {2.375, 33.23}, {v.vx, v.vy}, curling_sim::SpinOfCurl(curl));
    const curling_sim::Phase resting = curling_sim::StartPhase(0.0, target, {}, 0);
    const curling_sim::ContactSearch contact = curling_sim::FindContact(shooter, resting, 0.0, 1e3);
    ASSERT_TRUE(contact.hit);
    curling_sim::Kinematics a = curling_sim::StateAt(shooter, contact.time);
    EXPECT_NEAR(0.29, curling_sim::Norm(a.p - target), 1e-5);
    Vec vb{};
    curling_sim::Collide(a.p, a.v, target, vb);
    const double speed = curling_sim::Norm(vb);
    const Vec expected = target + (speed / (2 * curling_sim::kDeceleration)) * vb;

    curling_sim::StoneSet stones;
    stones.inPlay[3] = true;
    stones.position[3] = target;
    const curling_sim::ShotOutcome outcome =
        curling_sim::PlayShot(stones, 0, {v.vx, v.vy}, curling_sim::SpinOfCurl(curl));
    EXPECT_TRUE(outcome.shooterTouched);
    ASSERT_TRUE(stones.inPlay[3]);
    EXPECT_NEAR(expected.x, stones.position[3].x, 1e-6);
    EXPECT_NEAR(expected.y, stones.position[3].y, 1e-6);
  }
}

// Chains: the shooter drives a stone into a third one frozen behind it, which moves on.
TEST(ShotPhysics, ChainPassesTheHitOn) {
  curling_sim::StoneSet stones;
  stones.inPlay[1] = stones.inPlay[2] = true;
  stones.position[1] = {2.375, 6.0};
  stones.position[2] = {2.375, 6.0 - 0.29};  // frozen to stone 1
  curling_sim::PlayShot(stones, 0, {0.0, -2.15}, 0);
  ASSERT_TRUE(stones.inPlay[2]);
  EXPECT_LT(stones.position[2].y, 6.0 - 0.29 - 0.5);     // the third stone went on
  EXPECT_LT(std::abs(stones.position[1].y - 6.0), 0.2);  // the middle one hardly moved
  for (int i = 0; i < 3; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (stones.inPlay[i] && stones.inPlay[j]) {
        EXPECT_GE(curling_sim::Norm(stones.position[i] - stones.position[j]), 0.29 - 1e-3);
      }
    }
  }
}

// A row of seven touching stones taken on the side by a curling stone at draw weight, and the same
// row hit end on: the impulse passes through the row at once and the stones pressed together
// are not looked at every microsecond, so the shot ends far inside the event limit (it used to
// reach it), with no stones resting inside one another.
TEST(ShotPhysics, TouchingRowsEndInFewEvents) {
  struct Case {
    Vec release;
    int spin;
  };
  for (const Case& c : {Case{{0x1.dc4f2ap-3, -0x1.0ffaa6p+1}, -1}, Case{{-0.13, -2.4}, 1}}) {
    curling_sim::StoneSet stones;
    for (int i = 9; i < 16; ++i) {
      stones.inPlay[i] = true;
      stones.position[i] = {1.46176, 3.57706 + 0.29 * (i - 9)};
    }
    const curling_sim::ShotOutcome outcome = curling_sim::PlayShot(stones, 3, c.release, c.spin);
    EXPECT_FALSE(outcome.capped);
    EXPECT_LT(outcome.events, 400);
    for (int i = 0; i < 16; ++i) {
      for (int j = i + 1; j < 16; ++j) {
        if (!stones.inPlay[i] || !stones.inPlay[j]) continue;
        EXPECT_GE(curling_sim::Norm(stones.position[i] - stones.position[j]), 0.29 - 1e-3);
      }
    }
  }
}

// Many shots into a crowded house: no two stones at rest overlap by more than 1 mm.
TEST(ShotPhysics, NoOverlapAtRest) {
  const Placed house[] = {{1, 2.375f, 4.88f}, {2, 2.0f, 5.2f}, {3, 2.7f, 5.0f},    {4, 2.4f, 6.3f},
                          {5, 1.5f, 4.3f},    {6, 3.1f, 4.4f}, {7, 2.375f, 5.17f}, {8, 2.1f, 3.8f},
                          {9, 2.9f, 6.9f},    {10, 1.8f, 7.5f}};
  int shots = 0;
  for (float power : {-1.0f, 3.0f, 8.0f, 16.0f}) {
    for (int k = 0; k < 12; ++k) {
      const float x = 1.6f + 0.12f * k;
      CurlingStateRecord r = MakeRecord(0, 0, false);
      for (const Placed& p : house) r.stones[p.slot] = {p.x, p.y};
      const ShotVelocity v = power < 0 ? Draw(x, 5.0f, k % 2) : Hit(x, 5.0f, k % 2, power);
      ASSERT_EQ(0, Simulation(&r, v, 0.0f, nullptr, 0));
      for (int i = 0; i < 16; ++i) {
        for (int j = i + 1; j < 16; ++j) {
          if (!InPlay(r.stones[i]) || !InPlay(r.stones[j])) continue;
          EXPECT_GE(std::hypot(r.stones[i].x - r.stones[j].x, r.stones[i].y - r.stones[j].y), 0.289)
              << "power " << power << " aim " << x << " stones " << i << ", " << j;
        }
      }
      ++shots;
    }
  }
  EXPECT_EQ(48, shots);
}

// A raise: a light hit on a guard in front of the house pushes the guard into the house.
TEST(ShotPhysics, RaisePushesAGuardIntoTheHouse) {
  for (bool curl : {false, true}) {
    CurlingStateRecord r = MakeRecord(2, 0, false, {{1, 2.375f, 7.6f}});
    ASSERT_EQ(0, Simulation(&r, Hit(2.375f, 7.6f, curl, 4.0f), 0.0f, nullptr, 0));
    ASSERT_TRUE(InPlay(r.stones[1]));
    EXPECT_LT(Distance(r.stones[1], kTeeX, kTeeY), 1.975) << r.stones[1].x << ", " << r.stones[1].y;
    EXPECT_LT(r.stones[1].y, 7.6f - 1.0f);
  }
}

}  // namespace
