#include "curling/game_state.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>

namespace Curling {
namespace {

TEST(GameState, NewAndResetRecordsAreAllZero) {
  CurlingGameState state;
  state.shotNumber = 7;
  state.endNumber = 3;
  state.serverValue = 10;
  state.endScores[4] = -2;
  state.sideToMove = true;
  state.stones[5] = {2.375f, 4.88f};
  state.Reset();
  const CurlingGameState fresh;
  EXPECT_EQ(0, std::memcmp(&state, &fresh, offsetof(CurlingGameState, sideToMove) + 1));
  EXPECT_EQ(0, std::memcmp(&state.stones, &fresh.stones, sizeof fresh.stones));
  EXPECT_EQ(0, fresh.shotNumber);
  EXPECT_FALSE(fresh.sideToMove);
}

TEST(GameState, ResetRecordPrintsFourLines) {
  std::ostringstream log;
  CurlingGameState().PrintState(log);
  EXPECT_EQ(
      "current_shot_number : 0 ;  \n"
      "current_end_number : 0\n"
      "Score : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, \n"
      "Position : \n",
      log.str());
}

TEST(GameState, PrintListsOnlyStonesInPlay) {
  CurlingGameState state;
  state.shotNumber = -3;
  state.endNumber = 12;
  state.endScores[0] = 1;
  state.endScores[1] = -2;
  state.stones[0] = {2.375f, 4.88f};
  state.stones[1] = {1.5f, 0.0f};
  state.stones[2] = {0.0f, 0.0f};
  state.stones[3] = {-1.0f, -1.0f};
  state.stones[9] = {0.0f, 3.2f};
  state.stones[15] = {0.5f, 12.0f};
  std::ostringstream log;
  state.PrintState(log);
  EXPECT_EQ(
      "current_shot_number : -3 ;  \n"
      "current_end_number : 12\n"
      "Score : 1, -2, 0, 0, 0, 0, 0, 0, 0, 0, \n"
      "Position : \n"
      "2.375, 4.88\n"
      "1.5, 0\n"
      "0, 3.2\n"
      "0.5, 12\n",
      log.str());
}

TEST(GameState, IsTheSimulatorRecordByteForByte) {
  // Bytes written at the record's offsets are the fields the engine reads, and the address handed
  // to the simulator is the state itself.
  CurlingGameState state;
  unsigned char* bytes = reinterpret_cast<unsigned char*>(state.Record());
  EXPECT_EQ(static_cast<void*>(&state), static_cast<void*>(bytes));
  const std::int32_t shot = 5, end = 2, server = -7, score9 = 3;
  const float x15 = 1.25f, y0 = 4.5f;
  std::memcpy(bytes + 0, &shot, 4);
  std::memcpy(bytes + 4, &end, 4);
  std::memcpy(bytes + 8, &server, 4);
  std::memcpy(bytes + 12 + 9 * 4, &score9, 4);
  bytes[52] = 1;
  std::memcpy(bytes + 56 + 4, &y0, 4);
  std::memcpy(bytes + 56 + 15 * 8, &x15, 4);
  EXPECT_EQ(5, state.shotNumber);
  EXPECT_EQ(2, state.endNumber);
  EXPECT_EQ(-7, state.serverValue);
  EXPECT_EQ(3, state.endScores[9]);
  EXPECT_TRUE(state.sideToMove);
  EXPECT_EQ(4.5f, state.stones[0].y);
  EXPECT_EQ(1.25f, state.stones[15].x);
  EXPECT_EQ(184u, sizeof state);
}

}  // namespace
}  // namespace Curling
