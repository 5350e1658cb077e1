// Overlapping stones of a record are pushed apart before the shot by the least movement, and the
// shot is then played as any other.
#include <gtest/gtest.h>

#include <initializer_list>

#include "simulator_test_support.h"

namespace {

using namespace curling_sim_test;

// Largest overlap of two stones in play, in metres (0 if none overlap).
double WorstOverlap(const CurlingStateRecord& r) {
  double worst = 0.0;
  for (int i = 0; i < 16; ++i) {
    for (int j = i + 1; j < 16; ++j) {
      if (!InPlay(r.stones[i]) || !InPlay(r.stones[j])) continue;
      worst = std::max(worst, 0.29 - Distance(r.stones[i], r.stones[j].x, r.stones[j].y));
    }
  }
  return worst;
}

// A shot that delivers no stone: the record then shows the separated position.
TEST(Separation, OverlapsArePushedApartAlongTheLineOfCentres) {
  struct Case {
    const char* name;
    std::initializer_list<Placed> stones;
    std::initializer_list<Placed> expected;  // x = y = 0: out of play
  };
  const Case cases[] = {
      {"4 cm overlap across the sheet: 2 cm each",
       {{2, 2.0f, 6.0f}, {7, 2.25f, 6.0f}},
       {{2, 1.98f, 6.0f}, {7, 2.27f, 6.0f}}},
      {"along a diagonal",
       {{3, 2.0f, 6.0f}, {8, 2.15f, 6.2f}},
       {{3, 1.988f, 5.984f}, {8, 2.162f, 6.216f}}},
      {"one point: the higher slot toward larger y",
       {{9, kTeeX, 6.0f}, {2, kTeeX, 6.0f}},
       {{2, kTeeX, 5.855f}, {9, kTeeX, 6.145f}}},
      {"pushed over the side line: out of play",
       {{0, 0.2f, 6.0f}, {1, 0.3f, 6.0f}},
       {{0, 0.0f, 0.0f}, {1, 0.395f, 6.0f}}},
      {"apart stones stay bit for bit",
       {{4, 1.0f, 6.0f}, {5, 1.29f, 6.0f}},
       {{4, 1.0f, 6.0f}, {5, 1.29f, 6.0f}}},
  };
  for (const Case& c : cases) {
    CurlingStateRecord r = MakeRecord(10, 0, false, c.stones);
    ASSERT_EQ(0, Simulation(&r, NoStone(), 0.0f, nullptr, 0)) << c.name;
    for (const Placed& e : c.expected) {
      EXPECT_NEAR(e.x, r.stones[e.slot].x, 1e-3) << c.name << ", slot " << e.slot;
      EXPECT_NEAR(e.y, r.stones[e.slot].y, 1e-3) << c.name << ", slot " << e.slot;
    }
    EXPECT_LT(WorstOverlap(r), 1e-5) << c.name;
  }
}

// Two, four and all fifteen other stones on one point: a pile settles without moving its centre
// of mass, and a hit into it then leaves no stones resting on one another.
TEST(Separation, PilesSettleAndAreThenPlayedAsAnyOther) {
  for (const int pile : {2, 4, 15}) {
    CurlingStateRecord r = MakeRecord(15, 0, false);
    for (int i = 0; i < pile; ++i) r.stones[i] = {kTeeX, 7.0f};
    CurlingStateRecord settled = r;
    ASSERT_EQ(0, Simulation(&settled, NoStone(), 0.0f, nullptr, 0));
    double sx = 0.0, sy = 0.0;
    for (int i = 0; i < pile; ++i) {
      sx += settled.stones[i].x - kTeeX;
      sy += settled.stones[i].y - 7.0f;
    }
    EXPECT_NEAR(0.0, sx, 1e-4) << pile;
    EXPECT_NEAR(0.0, sy, 1e-4) << pile;
    EXPECT_LT(WorstOverlap(settled), 1e-5) << pile;
    ASSERT_EQ(0, Simulation(&r, Hit(kTeeX, 7.0f, true, 16.0f), 0.0f, nullptr, 0));
    EXPECT_LT(WorstOverlap(r), 1e-3) << pile;
  }
}

}  // namespace
