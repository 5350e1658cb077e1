#include "shots/move_state.h"

#include <gtest/gtest.h>

#include <memory>

#include "fake_simulator.h"

namespace Curling {
namespace {

bool SameRelease(const ShotVelocity& a, const ShotVelocity& b) {
  return a.vx == b.vx && a.vy == b.vy && a.curl == b.curl;
}

class MoveStateTest : public ::testing::Test {
 protected:
  void SetUp() override { FakeSimulator::Reset(); }
};

TEST_F(MoveStateTest, DefaultRecordIsZeroAndCallsNothing) {
  const CurlingMoveState move;
  EXPECT_EQ(move.target.x, 0.0f);
  EXPECT_EQ(move.target.y, 0.0f);
  EXPECT_FALSE(move.target.curl);
  EXPECT_EQ(move.velocity.vx, 0.0f);
  EXPECT_EQ(move.velocity.vy, 0.0f);
  EXPECT_FALSE(move.velocity.curl);
  EXPECT_TRUE(move.label.empty());
  EXPECT_EQ(move.power, 0.0);
  EXPECT_FALSE(move.flag);
  const FakeSimulator::Calls calls = FakeSimulator::Counts();
  EXPECT_EQ(calls.createShot + calls.createHitShot + calls.simulation, 0u);
}

TEST_F(MoveStateTest, EachRecordMakesOneCallChosenByThePower) {
  struct Case {
    int power;
    bool hit;
  };
  for (const Case c : {Case{-1, false}, Case{-7, false}, Case{0, true}, Case{16, true}}) {
    FakeSimulator::Reset();
    const CurlingMoveState move(2.5, 6.25, "RAIZE", true, c.power, false);
    const FakeSimulator::Calls calls = FakeSimulator::Counts();
    EXPECT_EQ(calls.createShot, c.hit ? 0u : 1u) << "power " << c.power;
    EXPECT_EQ(calls.createHitShot, c.hit ? 1u : 0u) << "power " << c.power;
    EXPECT_EQ(calls.simulation, 0u);
    const FakeSimulator::LastArguments last = FakeSimulator::Last();
    EXPECT_EQ(last.target.x, 2.5f);
    EXPECT_EQ(last.target.y, 6.25f);
    EXPECT_TRUE(last.target.curl);
    EXPECT_EQ(move.power, static_cast<double>(c.power));
    if (c.hit) {
      EXPECT_EQ(last.power, static_cast<float>(c.power));
      EXPECT_TRUE(SameRelease(move.velocity, FakeSimulator::HitRelease(move.target, last.power)));
    } else {
      EXPECT_TRUE(SameRelease(move.velocity, FakeSimulator::DrawRelease(move.target)));
    }
  }
}

TEST_F(MoveStateTest, TargetIsStoredInSinglePrecision) {
  const CurlingMoveState move(2.9480389863008698, 7.737883832488647, "FREE_GUARD1", false, -1,
                              true);
  EXPECT_EQ(move.target.x, 2.9480391f);
  EXPECT_EQ(move.target.y, 7.7378840f);
  EXPECT_FALSE(move.target.curl);
  EXPECT_EQ(move.label, "FREE_GUARD1");
  EXPECT_TRUE(move.flag);
}

TEST_F(MoveStateTest, CurlAloneChangesTheRelease) {
  const CurlingMoveState one(2.375, 4.88, "TEE", true, -1, false);
  const CurlingMoveState zero(2.375, 4.88, "TEE", false, -1, false);
  EXPECT_TRUE(one.velocity.curl);
  EXPECT_FALSE(zero.velocity.curl);
  EXPECT_NE(one.velocity.vx, zero.velocity.vx);
  EXPECT_EQ(one.target.x, zero.target.x);
  EXPECT_EQ(one.target.y, zero.target.y);
}

TEST_F(MoveStateTest, CopyOwnsItsLabel) {
  auto source = std::make_unique<CurlingMoveState>(1.0, 2.0, "COME_AROUND", false, -1, false);
  CurlingMoveState copy = *source;
  CurlingMoveState assigned;
  assigned = *source;
  source->label[0] = 'X';
  source.reset();
  EXPECT_EQ(copy.label, "COME_AROUND");
  EXPECT_EQ(assigned.label, "COME_AROUND");
  EXPECT_EQ(copy.target.x, 1.0f);
  EXPECT_EQ(FakeSimulator::Counts().createShot, 1u) << "copies call nothing";
}

}  // namespace
}  // namespace Curling
