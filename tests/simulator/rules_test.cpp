// Rules of play around the physics: leaving play, the hog line, the free guard zone, the score,
// the turn order and the close of an end.
#include <gtest/gtest.h>

#include "simulator_test_support.h"

namespace {

using namespace curling_sim_test;

struct LeaveCase {
  const char* name;
  CurlingStateRecord record;
  ShotVelocity shot;
  std::vector<int> removed;  // slots written as (0, 0)
  std::vector<int> kept;     // slots still in play
};

TEST(LeavingPlay, EachWayOutOfPlay) {
  const LeaveCase cases[] = {
      {"delivered stone touches a side line",
       MakeRecord(0, 0, false),
       Draw(0.1f, 6.0f, true),
       {0},
       {}},
      {"delivered stone drawn onto the side line",
       MakeRecord(0, 0, false),
       Draw(4.61f, 6.0f, false),
       {0},
       {}},
      {"delivered stone through the back line",
       MakeRecord(0, 0, false),
       Hit(kTeeX, kTeeY, false, 16.0f),
       {0},
       {}},
      {"delivered stone short of the hog line",
       MakeRecord(0, 0, false),
       Draw(kTeeX, 12.0f, true),
       {0},
       {}},
      {"delivered stone resting on the hog line",
       MakeRecord(0, 0, false),
       Draw(kTeeX, 11.2f, true),
       {0},
       {}},
      {"delivered stone just past the hog line",
       MakeRecord(0, 0, false),
       Draw(kTeeX, 11.1f, true),
       {},
       {0}},
      {"stone short of the hog line after touching another",
       MakeRecord(1, 0, true, {{0, kTeeX, 15.6f}}),
       Draw(kTeeX, 15.8f, false),
       {},
       {0, 1}},
      {"struck stone driven through the back line",
       MakeRecord(6, 0, false, {{1, kTeeX, 3.3f}}),
       Hit(kTeeX, 3.3f, true, 16.0f),
       {1},
       {}},
      {"struck stone driven over a side line",
       MakeRecord(6, 0, false, {{1, 0.5f, 5.0f}}),
       Hit(0.7f, 5.1f, true, 16.0f),
       {1},
       {}},
      {"delivered stone not finite",
       MakeRecord(3, 0, true, {{2, kTeeX, kTeeY}}),
       {NAN, -2.0f, false},
       {3},
       {2}},
  };
  for (const LeaveCase& c : cases) {
    CurlingStateRecord r = c.record;
    ASSERT_EQ(0, Simulation(&r, c.shot, 0.0f, nullptr, 0)) << c.name;
    for (int slot : c.removed) {
      EXPECT_EQ(0.0f, r.stones[slot].x) << c.name << " slot " << slot;
      EXPECT_EQ(0.0f, r.stones[slot].y) << c.name << " slot " << slot;
    }
    for (int slot : c.kept) EXPECT_TRUE(InPlay(r.stones[slot])) << c.name << " slot " << slot;
    EXPECT_EQ(c.record.shotNumber + 1, r.shotNumber) << c.name;  // the shot counts in every case
  }
}

// Free guard zone: during shots 0 to 4, removing a guard of the other side puts every stone back
// and takes the delivered stone out; from shot 5 on, and for the delivering side's own guards,
// the removal stands.
TEST(FreeGuardZone, ProtectsTheOtherSidesGuardsDuringTheFirstFiveShots) {
  struct Case {
    int shot;
    int guardSlot;
    bool restored;
  };
  const Case cases[] = {{1, 0, true},  {2, 1, true},  {3, 2, true},  {4, 3, true},
                        {4, 2, false}, {5, 4, false}, {6, 3, false}, {2, 0, false}};
  for (const Case& c : cases) {
    // The guard lies between the tee line and the hog line outside the house; a house stone of
    // the other side too (it may be removed freely, but here it is not in the way).
    const int otherHouse =
        (c.guardSlot + 2) % 16 == c.shot ? (c.guardSlot + 4) % 16 : (c.guardSlot + 2) % 16;
    const CurlingStateRecord before = MakeRecord(
        c.shot, 1, c.shot % 2 == 1, {{c.guardSlot, kTeeX, 8.5f}, {otherHouse, 1.0f, 4.0f}});
    CurlingStateRecord r = before;
    ASSERT_EQ(0, Simulation(&r, Hit(kTeeX, 8.5f, true, 16.0f), 0.0f, nullptr, 0));
    EXPECT_EQ(c.shot + 1, r.shotNumber);
    if (c.restored) {
      EXPECT_EQ(0.0f, r.stones[c.shot].x) << "shot " << c.shot;
      EXPECT_EQ(0, std::memcmp(before.stones, r.stones, sizeof r.stones)) << "shot " << c.shot;
    } else {
      EXPECT_FALSE(InPlay(r.stones[c.guardSlot])) << "shot " << c.shot << " guard " << c.guardSlot;
      EXPECT_EQ(1.0f, r.stones[otherHouse].x);
    }
  }
}

TEST(FreeGuardZone, HouseStonesAndStonesBeyondTheHogLineAreNotGuards) {
  // Stones of the other side taken out at shot 2: in the house, short of the hog line, and on
  // the tee line (the zone lies strictly between the tee line and the hog line).
  const float places[][2] = {{kTeeX, 5.5f}, {kTeeX, 14.0f}, {4.4f, kTeeY}};
  for (const auto& p : places) {
    CurlingStateRecord r = MakeRecord(2, 0, false, {{1, p[0], p[1]}});
    ASSERT_EQ(0, Simulation(&r, Hit(p[0], p[1], p[0] < 1.0f, 16.0f), 0.0f, nullptr, 0));
    EXPECT_FALSE(InPlay(r.stones[1])) << p[0] << ", " << p[1];
    EXPECT_EQ(3, r.shotNumber);
  }
}

struct ScoreCase {
  const char* name;
  std::vector<Placed> stones;  // side 0 owns even slots, side 1 odd ones
  int score;
};

// Scores are read from the closed end: shot 15 by side 1, whose delivered stone is removed.
TEST(Score, KnownPositions) {
  const float edge = 1.975f;
  const ScoreCase cases[] = {
      {"no stones", {}, 0},
      {"one stone of side 0", {{0, kTeeX, kTeeY}}, 1},
      {"one stone of side 1", {{3, kTeeX + 1.0f, kTeeY}}, -1},
      {"side 0 only, three stones", {{0, kTeeX, 5.0f}, {2, 2.0f, 5.5f}, {4, 3.5f, 4.0f}}, 3},
      {"mixed: side 1 nearest, two stones inside",
       {{1, kTeeX, 4.9f}, {3, 2.6f, 4.7f}, {0, 1.5f, 4.88f}, {5, 3.8f, 4.88f}},
       -2},
      {"mixed: side 0 nearest, one inside",
       {{0, 2.4f, 4.8f}, {1, 2.0f, 5.2f}, {2, 2.375f, 6.5f}},
       1},
      {"touching the house edge counts", {{2, kTeeX + edge - 0.001f, kTeeY}}, 1},
      {"just outside the house edge",
       {{2, kTeeX + edge + 0.001f, kTeeY}, {5, kTeeX + 1.5f, kTeeY + 1.3f}},
       0},
      {"stone outside the house never counts", {{0, kTeeX, 7.5f}, {1, kTeeX, 7.0f}}, 0},
      {"equal nearest distances: no score",
       {{0, kTeeX - 0.5f, kTeeY}, {1, kTeeX + 0.5f, kTeeY}, {2, kTeeX, kTeeY + 1.5f}},
       0},
      {"equal second stones do not cut the first",
       {{0, kTeeX, 4.7f}, {2, kTeeX - 0.75f, kTeeY}, {1, kTeeX + 0.75f, kTeeY}},
       1},
      {"a stone in play at x = 0 is not counted", {{1, 0.0f, 3.2f}}, 0},
  };
  for (const ScoreCase& c : cases) {
    CurlingStateRecord r = MakeRecord(15, 4, true);
    for (const Placed& p : c.stones) r.stones[p.slot] = {p.x, p.y};
    ASSERT_EQ(0, Simulation(&r, NoStone(), 0.0f, nullptr, 0)) << c.name;
    EXPECT_EQ(c.score, r.endScores[4]) << c.name;
    EXPECT_EQ(5, r.endNumber) << c.name;
    EXPECT_EQ(0, r.shotNumber) << c.name;
    // The scorer delivers first in the next end; after a blank end the side that delivered first
    // in this one (side 0, who delivered shot 0) does so again.
    EXPECT_EQ(c.score < 0, r.sideToMove) << c.name;
    for (const Placed& p : c.stones) EXPECT_EQ(p.x, r.stones[p.slot].x) << c.name;  // stones stay
  }
}

// A whole end of draws: after each of shots 0 to 14 the slot of the end holds the running score,
// the shot number advances and the turn alternates; after shot 15 the end closes.
TEST(Score, RunningScoreThroughAnEnd) {
  const float targets[16][2] = {{2.3f, 5.2f}, {2.5f, 4.6f},   {1.7f, 4.2f},   {2.8f, 5.6f},
                                {2.0f, 3.7f}, {3.2f, 4.0f},   {2.375f, 7.5f}, {1.4f, 5.6f},
                                {3.5f, 6.2f}, {2.6f, 3.5f},   {1.0f, 4.88f},  {2.2f, 6.5f},
                                {3.0f, 4.7f}, {2.375f, 4.4f}, {1.9f, 5.0f},   {2.9f, 3.4f}};
  for (bool firstSide : {false, true}) {
    CurlingStateRecord r = MakeRecord(0, 7, firstSide);
    r.serverValue = 12345;
    r.endScores[6] = 3;
    for (int shot = 0; shot < 16; ++shot) {
      ASSERT_EQ(shot, r.shotNumber);
      ASSERT_EQ(firstSide != (shot % 2 == 1), r.sideToMove);
      ASSERT_EQ(0, Simulation(&r, Draw(targets[shot][0], targets[shot][1], shot % 3 == 0), 0.0f,
                              nullptr, 0));
      const int expected = ReferenceScore(r.stones, firstSide);
      EXPECT_EQ(12345, r.serverValue);
      EXPECT_EQ(3, r.endScores[6]);
      if (shot < 15) {
        EXPECT_EQ(expected, r.endScores[7]) << "after shot " << shot;
        EXPECT_EQ(7, r.endNumber);
        EXPECT_EQ(shot + 1, r.shotNumber);
      } else {
        EXPECT_EQ(expected, r.endScores[7]);
        EXPECT_EQ(8, r.endNumber);
        EXPECT_EQ(0, r.shotNumber);
        EXPECT_EQ(expected == 0 ? firstSide : expected < 0, r.sideToMove);
      }
    }
  }
}

TEST(Score, BlankEndKeepsTheFirstSide) {
  for (bool side : {false, true}) {
    // Shot 15 is delivered by the side that did not deliver first.
    CurlingStateRecord r = MakeRecord(15, 9, side, {{0, kTeeX, 8.0f}});
    ASSERT_EQ(0, Simulation(&r, NoStone(), 0.0f, nullptr, 0));
    EXPECT_EQ(0, r.endScores[9]);
    EXPECT_EQ(10, r.endNumber);
    EXPECT_EQ(!side, r.sideToMove);
    // The game is over: a record past the last end is outside the limits.
    const CurlingStateRecord over = r;
    EXPECT_LT(Simulation(&r, Draw(kTeeX, kTeeY, true), 0.0f, nullptr, 0), 0);
    EXPECT_TRUE(SameBytes(over, r));
  }
}

}  // namespace
