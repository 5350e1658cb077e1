#include "shots/candidate_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "fake_simulator.h"
#include "shots/random.h"
#include "test_positions.h"

namespace Curling {
namespace {

// A state with the given shot number, side byte (0, 1 or anything else) and end-score total
// (held in end 0), and the given stones.
CurlingGameState Situation(int shotNumber, std::uint8_t side, int scoreTotal,
                           std::initializer_list<StonePosition> stones) {
  CurlingGameState state = WithStones(stones);
  state.shotNumber = shotNumber;
  state.endScores[0] = scoreTotal;
  std::memcpy(&state.sideToMove, &side, 1);
  return state;
}

const StonePosition kInHouse{2.5f, 5.5f};
const StonePosition kOutside{2.375f, 8.0f};

TEST(ClassifySituationTest, EveryClassAndItsBoundaries) {
  const std::string kShotError = "error src\\curling161\n";
  struct Case {
    const char* name;
    CurlingGameState state;
    int expectedClass;
    std::string log;
  };
  const Case cases[] = {
      {"empty sheet", Situation(0, 0, 0, {}), 1, ""},
      {"empty sheet late", Situation(13, 1, 0, {}), 1, ""},
      {"empty sheet, bad shot and side", Situation(20, 7, 0, {}), 1, ""},
      {"in play but x at 0 is not counted", Situation(8, 0, 0, {{0.0f, 3.2f}}), 1, ""},
      {"one stone s=4", Situation(4, 0, 0, {kInHouse}), 2, ""},
      {"one stone s=-1", Situation(-1, 0, 0, {kInHouse}), 2, ""},
      {"two stones s=4", Situation(4, 0, 0, {kInHouse, kOutside}), 3, ""},
      {"two stones s=0, bad side", Situation(0, 9, 0, {kInHouse, kOutside}), 3, ""},
      {"s=6 level side 0", Situation(6, 0, 0, {kInHouse}), 4, ""},
      {"s=6 level side 1", Situation(6, 1, 0, {kInHouse}), 5, ""},
      {"s=7 level side 0", Situation(7, 0, 0, {kInHouse}), 6, ""},
      {"s=7 level side 1", Situation(7, 1, 0, {kInHouse}), 7, ""},
      {"s=5 side 0 ahead", Situation(5, 0, 3, {kInHouse}), 6, ""},
      {"s=12 side 1 behind", Situation(12, 1, 2, {kInHouse}), 4, ""},
      {"s=12 side 0 behind", Situation(12, 0, -2, {kInHouse}), 5, ""},
      {"s=13 side 0 level", Situation(13, 0, 0, {kInHouse}), 10, ""},
      {"s=13 side 1 level", Situation(13, 1, 0, {kInHouse}), 11, ""},
      {"s=14 total -1 side 0", Situation(14, 0, -1, {kInHouse}), 9, ""},
      {"s=14 total -1 side 1", Situation(14, 1, -1, {kInHouse}), 9, ""},
      {"s=14 total 1 side 1", Situation(14, 1, 1, {kInHouse}), 8, ""},
      {"s=15 total -4 side 0", Situation(15, 0, -4, {kInHouse}), 11, ""},
      {"s=16 side 0", Situation(16, 0, 0, {kInHouse}), 10, kShotError},
      {"s=16 side 1", Situation(16, 1, 0, {kInHouse}), 11, kShotError},
      {"s=5 bad side", Situation(5, 2, 0, {kInHouse}), 12, "State error\n"},
      {"s=99 bad side", Situation(99, 255, 0, {kInHouse}), 12, kShotError + "State error\n"},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    EXPECT_EQ(ClassifySituation(c.state, log), c.expectedClass) << c.name;
    EXPECT_EQ(log.str(), c.log) << c.name;
  }
}

// The families of every class in their run order. The order decides the candidate list after the
// fixed shuffle, and so which shot a search answers on ties.
TEST(ClassSequenceTest, EachClassRunsItsFamiliesInOrder) {
  const std::vector<ShotFamilyId> kClass4To6 = {kGuard, kComeAround, kFreeze, kRaize, kTee, kHouse};
  const std::vector<ShotFamilyId> expected[] = {
      {},  // 0: no class
      {kFreeGuard, kTee, kHouse},
      {kFreeGuard, kGuard, kComeAround, kRaize, kFreeze, kTee, kHouse},
      {kFreeGuard, kGuard, kComeAround, kFreeze, kRaize, kTee, kHouse},
      kClass4To6,
      kClass4To6,
      kClass4To6,
      {kComeAround, kFreeze, kRaize, kRaize, kTee, kTee, kHouse},
      {kGuard, kGuard, kComeAround, kRaize, kTee, kHouse},
      {kComeAround, kComeAround, kRaize, kRaize, kTee, kTee, kTee, kTee, kHouse},
      {kComeAround, kRaize, kTee, kTee, kTee, kHouse, kHouse},
      {kComeAround, kRaize, kRaize, kTee, kTee, kHouse},
      {},  // 12: the state that fits no other class
      {},  // 13: beyond the classes
  };
  for (int situationClass = 0; situationClass <= kSituationClasses + 1; ++situationClass) {
    const std::span<const ShotFamilyId> sequence = ClassSequence(situationClass);
    EXPECT_EQ(std::vector<ShotFamilyId>(sequence.begin(), sequence.end()), expected[situationClass])
        << "class " << situationClass;
  }
  EXPECT_TRUE(ClassSequence(-1).empty());
}

// The count per family for the one-stone position kInHouse: free guards 6, guard 2, come-around
// 2, freeze 2, raize 6, tee 2, house 6.
TEST(BuildCandidateListTest, CandidateCountsOfEveryClass) {
  struct Case {
    CurlingGameState state;
    int expectedClass;
    std::size_t count;
  };
  const Case cases[] = {
      {Situation(3, 0, 0, {}), 1, 14},
      {Situation(3, 0, 0, {kInHouse}), 2, 26},
      {Situation(3, 0, 0, {kInHouse, kOutside}), 3, 28},
      {Situation(6, 0, 0, {kInHouse}), 4, 20},
      {Situation(6, 1, 0, {kInHouse}), 5, 20},
      {Situation(7, 0, 0, {kInHouse}), 6, 20},
      {Situation(7, 1, 0, {kInHouse}), 7, 26},
      {Situation(14, 0, 0, {kInHouse}), 8, 20},
      {Situation(14, 0, -1, {kInHouse}), 9, 30},
      {Situation(15, 0, 0, {kInHouse}), 10, 26},
      {Situation(15, 1, 0, {kInHouse}), 11, 24},
      {Situation(9, 3, 0, {kInHouse}), 12, 0},
  };
  for (const Case& c : cases) {
    std::ostringstream log;
    ASSERT_EQ(ClassifySituation(c.state, log), c.expectedClass);
    FakeSimulator::Reset();
    const CandidateList list = BuildCandidateList(c.state, log);
    EXPECT_EQ(list.size(), c.count) << "class " << c.expectedClass;
    // Every candidate cost exactly one simulator call, and nothing else was called.
    const FakeSimulator::Calls calls = FakeSimulator::Counts();
    EXPECT_EQ(calls.createShot + calls.createHitShot, c.count) << "class " << c.expectedClass;
    EXPECT_EQ(calls.simulation, 0u);
  }
}

std::map<std::string, int> LabelCounts(const CandidateList& list) {
  std::map<std::string, int> counts;
  for (const Node& node : list) ++counts[node.value.shot.label];
  return counts;
}

TEST(BuildCandidateListTest, EmptySheet) {
  std::ostringstream log;
  FakeSimulator::Reset();
  const CandidateList list = BuildCandidateList(Situation(0, 0, 0, {}), log);
  EXPECT_EQ(
      LabelCounts(list),
      (std::map<std::string, int>{
          {"FREE_GUARD1", 2}, {"FREE_GUARD2", 2}, {"FREE_GUARD3", 2}, {"TEE", 2}, {"HOUSE", 6}}));
  EXPECT_EQ(FakeSimulator::Counts().createShot, 14u);
  EXPECT_EQ(FakeSimulator::Counts().createHitShot, 0u);
  EXPECT_EQ(log.str(), "");
  // The list reserved for 200 came back itself, not as a copy.
  EXPECT_GE(list.capacity(), kCandidateReserve);
}

TEST(BuildCandidateListTest, ClassNineExampleRepeatsFamilies) {
  std::ostringstream log;
  FakeSimulator::Reset();
  const CandidateList list = BuildCandidateList(Situation(14, 1, -1, {kInHouse}), log);
  EXPECT_EQ(LabelCounts(list), (std::map<std::string, int>{
                                   {"COME_AROUND", 4}, {"RAIZE", 12}, {"TEE", 8}, {"HOUSE", 6}}));
  EXPECT_EQ(FakeSimulator::Counts().createHitShot, 12u);
  EXPECT_EQ(FakeSimulator::Counts().createShot, 18u);
}

TEST(BuildCandidateListTest, ListIsTheFamiliesOutputInTheFixedPermutation) {
  const CurlingGameState state = Situation(2, 0, 0, {kInHouse, kOutside, {1.0f, 3.0f}});
  std::ostringstream log;
  CandidateList unshuffled;
  for (const ShotFamilyId id : ClassSequence(ClassifySituation(state, log))) {
    ShotFamilyTable[static_cast<std::size_t>(id)](state, unshuffled);
  }
  std::vector<std::size_t> positions(unshuffled.size());
  std::iota(positions.begin(), positions.end(), 0);
  std::mt19937 rng = MakeShuffleGenerator();
  ShuffleList(positions, rng);

  const CandidateList list = BuildCandidateList(state, log);
  ASSERT_EQ(list.size(), unshuffled.size());
  ASSERT_GT(list.size(), 4u);
  for (std::size_t i = 0; i < list.size(); ++i) {
    const CurlingMoveState& got = list[i].value.shot;
    const CurlingMoveState& want = unshuffled[positions[i]].value.shot;
    EXPECT_EQ(got.label, want.label) << i;
    EXPECT_EQ(got.target.x, want.target.x) << i;
    EXPECT_EQ(got.target.y, want.target.y) << i;
    EXPECT_EQ(got.target.curl, want.target.curl) << i;
    EXPECT_EQ(got.velocity.vx, want.velocity.vx) << i;
  }
  // The same state gives the same list every time.
  const CandidateList again = BuildCandidateList(state, log);
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(again[i].value.shot.label, list[i].value.shot.label);
    EXPECT_EQ(again[i].value.shot.target.y, list[i].value.shot.target.y);
  }
  EXPECT_EQ(log.str(), "");
}

TEST(BuildCandidateListTest, ClassTwelveGivesAnEmptyListAndAnOpenLine) {
  std::ostringstream log;
  const CandidateList list = BuildCandidateList(Situation(6, 2, 0, {kInHouse}), log);
  EXPECT_TRUE(list.empty());
  log << "next";
  EXPECT_EQ(log.str(), "State error\nerrornext");
}

void AppendTeeThenFail(const CurlingGameState& state, CandidateList& list) {
  TeeFamily(state, list);
  throw std::out_of_range("slot");
}

void FailOtherwise(const CurlingGameState&, CandidateList&) {
  throw std::runtime_error("not an index failure");
}

TEST(BuildCandidateListTest, OutOfRangeInsideAFamilyIsReportedAndSkipped) {
  std::ostringstream log;
  CandidateList list;
  RunShotFamily(AppendTeeThenFail, CurlingGameState{}, list, log);
  RunShotFamily(HouseFamily, CurlingGameState{}, list, log);
  EXPECT_EQ(log.str(), "Failed Get List Name :\n");
  ASSERT_EQ(list.size(), 8u) << "what the failed family appended stays";
  EXPECT_EQ(list[0].value.shot.label, "TEE");
  EXPECT_EQ(list[7].value.shot.label, "HOUSE");
  EXPECT_THROW(RunShotFamily(FailOtherwise, CurlingGameState{}, list, log), std::runtime_error);
}

// A playout's pick without the whole list: over thousands of positions of every class (and some
// with a bad shot number or side byte, which write diagnostics), the drawn shot, the lines on the
// log and the generator afterwards are those of the whole list and its IndexDraw, for one
// simulator call.
TEST(DrawCandidateTest, DrawsWhatTheWholeListWouldGive) {
  std::mt19937 positions(2024);
  const auto uniform = [&positions](float lo, float hi) {
    return lo + (hi - lo) * static_cast<float>(positions() % 10000) / 10000.0f;
  };
  int nonEmpty = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::uint32_t kind = positions() % 40;
    const int shot = kind == 0 ? 16 : static_cast<int>(positions() % 16);
    const std::uint8_t side = kind == 1 ? 2 : static_cast<std::uint8_t>(positions() % 2);
    CurlingGameState state = Situation(shot, side, static_cast<int>(positions() % 7) - 3, {});
    for (StonePosition& stone : state.stones) {
      const std::uint32_t where = positions() % 10;
      if (where < 4) stone = {uniform(0.5f, 4.25f), uniform(2.9f, 10.0f)};
      if (where == 4) stone = {uniform(-1.0f, 6.0f), uniform(-1.0f, 40.0f)};
    }
    std::mt19937 wholeRng(static_cast<std::uint32_t>(round));
    std::mt19937 drawRng(static_cast<std::uint32_t>(round));
    std::ostringstream wholeLog, drawLog;
    const CandidateList list = BuildCandidateList(state, wholeLog);
    FakeSimulator::Reset();
    const std::optional<CurlingMoveState> drawn = DrawCandidate(state, drawRng, drawLog);
    const FakeSimulator::Calls calls = FakeSimulator::Counts();
    EXPECT_EQ(calls.createShot + calls.createHitShot, drawn ? 1u : 0u) << round;
    EXPECT_EQ(wholeLog.str(), drawLog.str()) << round;
    ASSERT_EQ(list.empty(), !drawn.has_value()) << round;
    if (drawn) {
      ++nonEmpty;
      const CurlingMoveState& expected =
          list[IndexDraw(wholeRng, static_cast<std::uint32_t>(list.size()))].value.shot;
      EXPECT_EQ(expected.label, drawn->label) << round;
      EXPECT_EQ(0, std::memcmp(&expected.target, &drawn->target, 9)) << round;
      EXPECT_EQ(0, std::memcmp(&expected.velocity, &drawn->velocity, 9)) << round;
      EXPECT_EQ(expected.power, drawn->power) << round;
      EXPECT_EQ(expected.flag, drawn->flag) << round;
    }
    EXPECT_TRUE(wholeRng == drawRng) << round;
  }
  EXPECT_GT(nonEmpty, 2500);
}

TEST(BuildCandidateListTest, ConcurrentBuildsAgree) {
  const CurlingGameState state = Situation(14, 0, -1, {kInHouse, kOutside});
  std::ostringstream log;
  const CandidateList reference = BuildCandidateList(state, log);
  constexpr int kThreads = 4;
  std::vector<int> matches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::ostringstream ownLog;
      for (int round = 0; round < 20; ++round) {
        const CandidateList list = BuildCandidateList(state, ownLog);
        bool same = list.size() == reference.size();
        for (std::size_t i = 0; same && i < list.size(); ++i) {
          same = list[i].value.shot.label == reference[i].value.shot.label &&
                 list[i].value.shot.target.x == reference[i].value.shot.target.x;
        }
        matches[static_cast<std::size_t>(t)] += same ? 1 : 0;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(matches, std::vector<int>(kThreads, 20));
}

}  // namespace
}  // namespace Curling
