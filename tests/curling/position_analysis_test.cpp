#include "curling/position_analysis.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

namespace Curling {
namespace {

// A state whose side byte holds any value, as a record written outside the engine may.
void SetSideByte(CurlingGameState& state, std::uint8_t byte) {
  std::memcpy(&state.sideToMove, &byte, 1);
}

std::vector<std::pair<float, float>> Pairs(const PositionList& list) {
  std::vector<std::pair<float, float>> pairs;
  for (const StonePosition& p : list) pairs.emplace_back(p.x, p.y);
  return pairs;
}

TEST(PositionAnalysis, ResetStateHasNoStonesAndIsAnEvenShotOfSideZero) {
  const CurlingGameState state;
  std::ostringstream log;
  EXPECT_TRUE(StonesInPlay(state).empty());
  EXPECT_EQ(0, CountStones(StonesInPlay(state)));
  EXPECT_TRUE(IsEvenShot(state, log));
  EXPECT_EQ(std::optional<bool>(false), SideOneLeads(state));
  EXPECT_EQ("", log.str());
}

TEST(PositionAnalysis, StonesInPlayKeepSlotOrderAndCountNeedsBothCoordinatesPositive) {
  CurlingGameState state;
  state.stones[1] = {2.375f, 4.88f};
  state.stones[4] = {0.0f, 3.2f};
  state.stones[6] = {-1.0f, -1.0f};
  state.stones[9] = {1.5f, 0.0f};
  state.stones[12] = {-0.5f, 0.0f};
  const PositionList list = StonesInPlay(state);
  EXPECT_EQ((std::vector<std::pair<float, float>>{{2.375f, 4.88f}, {0.0f, 3.2f}, {1.5f, 0.0f}}),
            Pairs(list));
  EXPECT_EQ(1, CountStones(list));
}

TEST(PositionAnalysis, SixteenStonesInPlayFitTheList) {
  CurlingGameState state;
  for (int i = 0; i < kStones; ++i) state.stones[i] = {0.5f + i, 10.0f - i};
  const PositionList list = StonesInPlay(state);
  EXPECT_EQ(kStones, list.size());
  EXPECT_EQ(10, CountStones(list));  // y reaches 0 at slot 10
  EXPECT_EQ(15.5f, list[15].x);
}

TEST(PositionAnalysis, UnusualCoordinatesCountAsInPlay) {
  CurlingGameState state;
  const float inf = std::numeric_limits<float>::infinity();
  state.stones[0] = {std::numeric_limits<float>::quiet_NaN(), -1.0f};
  state.stones[1] = {inf, inf};
  state.stones[2] = {-inf, -inf};
  EXPECT_EQ(2, StonesInPlay(state).size());
  EXPECT_EQ(1, CountStones(StonesInPlay(state)));
}

TEST(PositionAnalysis, IsEvenShotReportsShotNumbersOutsideTheEnd) {
  const struct {
    int shot;
    bool even;
    const char* log;
  } cases[] = {
      {0, true, ""},
      {1, false, ""},
      {14, true, ""},
      {15, false, ""},
      {16, false, "error src\\curling161\n"},
      {-1, false, "error src\\curling161\n"},
      {-2, false, "error src\\curling161\n"},
      {std::numeric_limits<int>::min(), false, "error src\\curling161\n"},
  };
  for (const auto& c : cases) {
    CurlingGameState state;
    state.shotNumber = c.shot;
    std::ostringstream log;
    EXPECT_EQ(c.even, IsEvenShot(state, log)) << c.shot;
    EXPECT_EQ(c.log, log.str()) << c.shot;
  }
}

TEST(PositionAnalysis, SideOneLeadsOnTheTotalOfEveryEnd) {
  const struct {
    std::vector<int> scores;  // from slot 0
    std::uint8_t side;
    std::optional<bool> leads;
  } cases[] = {
      {{1, -1}, 0, false},
      {{1, -1}, 1, true},
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, -1}, 0, true},  // the last slot counts whatever the end number
      {{2, -1}, 1, false},
      {{-2, 1}, 0, true},
      {{1, -1}, 2, std::nullopt},
      {{}, 255, std::nullopt},
      // Ten extreme scores: the total must not overflow into the wrong sign.
      {std::vector<int>(10, std::numeric_limits<int>::max()), 0, false},
      {std::vector<int>(10, std::numeric_limits<int>::min()), 1, true},
  };
  for (const auto& c : cases) {
    CurlingGameState state;
    state.endNumber = 2;
    for (std::size_t i = 0; i < c.scores.size(); ++i) state.endScores[i] = c.scores[i];
    SetSideByte(state, c.side);
    EXPECT_EQ(c.leads, SideOneLeads(state)) << "side " << int{c.side};
  }
}

struct EvaluateCase {
  const char* name;
  int shot, end, slot, score;  // after: shot number, end number, and one score slot
  std::uint8_t beforeSide;
  double result;
  const char* log;
};

TEST(PositionAnalysis, EvaluateFinalStateScoresTheEndForTheSideThatMoved) {
  const EvaluateCase cases[] = {
      {"ClosedEndSideZero", 0, 3, 2, 2, 0, 2.0, ""},
      {"ClosedEndSideOne", 0, 3, 2, 2, 1, -2.0, ""},
      {"ClosedEndSideOneLost", 0, 3, 2, -3, 1, 3.0, ""},
      {"RunningEndBlank", 5, 3, 3, 0, 0, 0.0, ""},
      {"RunningEndSideZero", 5, 3, 3, -1, 0, -1.0, ""},
      {"RunningEndIgnoresClosedSlot", 5, 3, 2, 4, 0, 0.0, ""},
      {"ClosedTenthEnd", 0, 10, 9, 1, 1, -1.0, ""},
      // Outside the score table: 0, and nothing read.
      {"NoEndClosedYet", 0, 0, 0, 5, 0, 0.0, ""},
      {"NegativeEnd", 0, std::numeric_limits<int>::min(), 0, 5, 0, 0.0, ""},
      {"EndBeyondTable", 0, 11, 9, 5, 0, 0.0, ""},
      {"RunningEndBeyondTable", 4, 10, 9, 5, 0, 0.0, ""},
      {"RunningEndNegative", 4, -1, 0, 5, 0, 0.0, ""},
      // A side byte that is no side: reported, counted 0.
      {"BadSideBlank", 5, 3, 3, 0, 2, 0.0, ""},
      {"BadSideRunning", 5, 3, 3, 1, 2, 0.0, "error final state\n"},
      {"BadSideClosed", 0, 3, 2, 1, 7, 0.0, "error final state\n"},
  };
  for (const EvaluateCase& c : cases) {
    CurlingGameState before;
    SetSideByte(before, c.beforeSide);
    CurlingGameState after;
    after.shotNumber = c.shot;
    after.endNumber = c.end;
    after.endScores[c.slot] = c.score;
    std::ostringstream log;
    EXPECT_EQ(c.result, EvaluateFinalState(before, after, log)) << c.name;
    EXPECT_EQ(c.log, log.str()) << c.name;
  }
}

TEST(PositionAnalysis, EvaluateFinalStateWithBadSideReportsBothSlotsOfAClosedEnd) {
  CurlingGameState before;
  SetSideByte(before, 3);
  CurlingGameState after;
  after.endNumber = 3;
  after.endScores[2] = 1;
  after.endScores[3] = -1;
  std::ostringstream log;
  EXPECT_EQ(0.0, EvaluateFinalState(before, after, log));
  EXPECT_EQ("error final state\nerror final state\n", log.str());
}

TEST(PositionAnalysis, EvaluateFinalStateReadsOnlyTheSideOfBefore) {
  CurlingGameState before;
  before.sideToMove = true;
  before.endScores[0] = 9;  // before's scores are not read
  CurlingGameState after;
  after.sideToMove = false;
  after.shotNumber = 7;
  after.endScores[0] = 2;
  std::ostringstream log;
  EXPECT_EQ(-2.0, EvaluateFinalState(before, after, log));
}

}  // namespace
}  // namespace Curling
