#include "shots/shot_families.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_simulator.h"
#include "test_positions.h"

namespace Curling {
namespace {

// What a test expects of one candidate: label, target (exact floats), curl and power.
struct Expected {
  std::string label;
  float x;
  float y;
  bool curl;
  double power = -1.0;
};

CandidateList RunFamily(ShotFamily family, const CurlingGameState& state) {
  CandidateList list;
  family(state, list);
  return list;
}

void ExpectCandidates(const CandidateList& list, const std::vector<Expected>& expected) {
  ASSERT_EQ(list.size(), expected.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    const CurlingMoveState& shot = list[i].value.shot;
    SCOPED_TRACE("candidate " + std::to_string(i));
    EXPECT_EQ(shot.label, expected[i].label);
    EXPECT_EQ(shot.target.x, expected[i].x);
    EXPECT_EQ(shot.target.y, expected[i].y);
    EXPECT_EQ(shot.target.curl, expected[i].curl);
    EXPECT_EQ(shot.power, expected[i].power);
    EXPECT_FALSE(shot.flag);
    EXPECT_TRUE(list[i].children.empty());
    EXPECT_EQ(list[i].value.stats.visits, 0u);
  }
}

TEST(ShotFamiliesTest, DistanceToTee) {
  EXPECT_EQ(DistanceToTee(2.5f, 5.5f), 0.63247532f);
  EXPECT_EQ(DistanceToTee(2.375f, 8.0f), 3.12f);
  EXPECT_EQ(DistanceToTee(2.375f, 4.88f), 1.144409154e-07f);  // 4.88f lies just above 4.88
  EXPECT_EQ(DistanceToTee(2.375f, 3.05f), 1.83f);
}

TEST(ShotFamiliesTest, FreeGuardTargets) {
  ExpectCandidates(RunFamily(FreeGuardFamily, CurlingGameState{}),
                   {{"FREE_GUARD1", 2.9480391f, 7.7378840f, true},
                    {"FREE_GUARD1", 2.9480391f, 7.7378840f, false},
                    {"FREE_GUARD2", 2.375f, 8.18f, true},
                    {"FREE_GUARD2", 2.375f, 8.18f, false},
                    {"FREE_GUARD3", 1.8019611f, 7.7378840f, true},
                    {"FREE_GUARD3", 1.8019611f, 7.7378840f, false}});
}

TEST(ShotFamiliesTest, TeeAndHouseTargets) {
  ExpectCandidates(RunFamily(TeeFamily, CurlingGameState{}),
                   {{"TEE", 2.375f, 4.88f, true}, {"TEE", 2.375f, 4.88f, false}});
  ExpectCandidates(RunFamily(HouseFamily, CurlingGameState{}),
                   {{"HOUSE", 2.775f, 5.5728202f, true},
                    {"HOUSE", 2.775f, 5.5728202f, false},
                    {"HOUSE", 2.375f, 5.68f, true},
                    {"HOUSE", 2.375f, 5.68f, false},
                    {"HOUSE", 1.975f, 5.5728202f, true},
                    {"HOUSE", 1.975f, 5.5728202f, false}});
}

// One stone in the house above the tee line, one outside the house.
const CurlingGameState kWorkedExample = WithStones({{2.5f, 5.5f}, {2.375f, 8.0f}});

TEST(ShotFamiliesTest, WorkedExampleGuardAndComeAround) {
  ExpectCandidates(RunFamily(GuardFamily, kWorkedExample),
                   {{"GUARD", 2.5f, 6.1324754f, true}, {"GUARD", 2.5f, 6.1324754f, false}});
  ExpectCandidates(RunFamily(ComeAroundFamily, kWorkedExample),
                   {{"COME_AROUND", 2.5f, 3.5f, false},
                    {"COME_AROUND", 2.5f, 3.5f, true},
                    {"COME_AROUND", 2.375f, 6.0f, false},
                    {"COME_AROUND", 2.375f, 6.0f, true}});
}

TEST(ShotFamiliesTest, WorkedExampleFreezeAndRaize) {
  ExpectCandidates(RunFamily(FreezeFamily, kWorkedExample),
                   {{"FREEZE", 2.5f, 5.935f, true}, {"FREEZE", 2.5f, 5.935f, false}});
  ExpectCandidates(RunFamily(RaizeFamily, kWorkedExample),
                   {{"RAIZE", 2.5837157f, 5.5483332f, true, 16},
                    {"RAIZE", 2.5837157f, 5.5483332f, false, 16},
                    {"RAIZE", 2.5f, 5.5966668f, true, 16},
                    {"RAIZE", 2.5f, 5.5966668f, false, 16},
                    {"RAIZE", 2.4162843f, 5.5483332f, true, 16},
                    {"RAIZE", 2.4162843f, 5.5483332f, false, 16}});
}

TEST(ShotFamiliesTest, OnlyRaizeGoesThroughCreateHitShot) {
  for (std::size_t i = 0; i < ShotFamilyTable.size(); ++i) {
    FakeSimulator::Reset();
    const CandidateList list = RunFamily(ShotFamilyTable[i], kWorkedExample);
    const FakeSimulator::Calls calls = FakeSimulator::Counts();
    const std::uint64_t hits = i == kRaize ? list.size() : 0u;
    EXPECT_EQ(calls.createHitShot, hits) << "family " << i;
    EXPECT_EQ(calls.createShot, list.size() - hits) << "family " << i;
    EXPECT_EQ(calls.simulation, 0u);
    if (i == kRaize) {
      EXPECT_EQ(FakeSimulator::Last().power, 16.0f);
    }
    for (std::size_t c = 0; c + 1 < list.size(); c += 2) {
      // The two candidates of one target differ in curl only.
      const CurlingMoveState& a = list[c].value.shot;
      const CurlingMoveState& b = list[c + 1].value.shot;
      EXPECT_EQ(a.target.x, b.target.x);
      EXPECT_EQ(a.target.y, b.target.y);
      EXPECT_NE(a.target.curl, b.target.curl);
      EXPECT_NE(a.velocity.curl, b.velocity.curl);
    }
  }
}

TEST(ShotFamiliesTest, HouseBoundaryIsTheDoubleRadius) {
  // d = 1.83f (1.8300000429...) is outside; the float just below it is inside.
  ASSERT_EQ(DistanceToTee(2.375f, 3.05f), 1.83f);
  ASSERT_EQ(DistanceToTee(2.375f, 6.71f), 1.83f);
  ASSERT_EQ(DistanceToTee(4.205f, 4.88f), 1.8299999f);
  for (const StonePosition outside : {StonePosition{2.375f, 3.05f}, {2.375f, 6.71f}}) {
    const CurlingGameState state = WithStones({outside});
    EXPECT_TRUE(RunFamily(GuardFamily, state).empty());
    EXPECT_TRUE(RunFamily(FreezeFamily, state).empty());
    EXPECT_TRUE(RunFamily(RaizeFamily, state).empty());
    EXPECT_EQ(RunFamily(ComeAroundFamily, state).size(), 2u);
  }
  const CurlingGameState inside = WithStones({{4.205f, 4.88f}});
  EXPECT_EQ(RunFamily(GuardFamily, inside).size(), 2u);
  EXPECT_EQ(RunFamily(FreezeFamily, inside).size(), 2u);
  EXPECT_EQ(RunFamily(RaizeFamily, inside).size(), 6u);
}

TEST(ShotFamiliesTest, GuardBoundaryIsTheDoubleTeeLine) {
  // y = 4.88f (4.8800001144...) lies above the tee line; the float below it does not.
  const CurlingGameState above = WithStones({{2.375f, 4.88f}});
  ExpectCandidates(RunFamily(GuardFamily, above),
                   {{"GUARD", 2.375f, 4.8800001f, true}, {"GUARD", 2.375f, 4.8800001f, false}});
  const CurlingGameState below = WithStones({{2.375f, 4.8799996f}});
  EXPECT_TRUE(RunFamily(GuardFamily, below).empty());
  EXPECT_EQ(RunFamily(FreezeFamily, below).size(), 2u);
  EXPECT_EQ(RunFamily(RaizeFamily, below).size(), 6u);
}

TEST(ShotFamiliesTest, CandidateCountsPerFamily) {
  // s stones in play, h of them in the house, g of those above the tee line.
  struct Case {
    const char* name;
    CurlingGameState state;
    std::size_t s, h, g;
  };
  const Case cases[] = {
      {"empty sheet", CurlingGameState{}, 0, 0, 0},
      {"worked example", kWorkedExample, 2, 1, 1},
      {"crowded house",
       WithStones({{2.375f, 4.88f},
                   {2.0f, 4.0f},
                   {3.0f, 5.5f},
                   {2.375f, 9.0f},
                   {0.0f, 3.2f},  // in play with x at 0: the families still see it
                   {1.5f, 0.0f},
                   {-1.0f, -1.0f}}),  // out of play
       6, 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunFamily(FreeGuardFamily, c.state).size(), 6u);
    EXPECT_EQ(RunFamily(GuardFamily, c.state).size(), 2 * c.g);
    EXPECT_EQ(RunFamily(ComeAroundFamily, c.state).size(), 2 * c.s);
    EXPECT_EQ(RunFamily(FreezeFamily, c.state).size(), 2 * c.h);
    EXPECT_EQ(RunFamily(RaizeFamily, c.state).size(), 6 * c.h);
    EXPECT_EQ(RunFamily(TeeFamily, c.state).size(), 2u);
    EXPECT_EQ(RunFamily(HouseFamily, c.state).size(), 6u);
  }
}

TEST(ShotFamiliesTest, FamiliesAppendWithoutTouchingTheList) {
  CandidateList list;
  TeeFamily(CurlingGameState{}, list);
  ComeAroundFamily(kWorkedExample, list);
  ASSERT_EQ(list.size(), 6u);
  EXPECT_EQ(list[0].value.shot.label, "TEE");
  EXPECT_EQ(list[1].value.shot.label, "TEE");
  EXPECT_EQ(list[2].value.shot.label, "COME_AROUND");
}

}  // namespace
}  // namespace Curling
