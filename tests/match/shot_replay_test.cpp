// Recorded shots replayed with the simulator's model, as the game pages draw them.
#include <gtest/gtest.h>

#include "record_reader.h"
#include "shot_replay.h"

namespace Match {
namespace {

// Every shot of a recorded game (two ends of the engine against the test engine, with
// collisions) replayed from the position before it: the stones rest exactly where the record has
// them, and each path runs from the release point, or where the struck stone lay, to its rest.
TEST(ShotReplay, EveryRecordedShotRestsWhereTheRecordHasItAndItsPathsEndThere) {
  const RecordSet records = ReadRecordFiles({std::string(MATCH_TEST_DATA_DIR) + "/two-ends.jsonl"});
  ASSERT_EQ(records.games.size(), 1u);
  ASSERT_EQ(records.games[0].result.shots.size(), 32u);
  int struckStones = 0;
  for (const ShotEvent& shot : records.games[0].result.shots) {
    SCOPED_TRACE("end " + std::to_string(shot.end + 1) + " shot " + std::to_string(shot.shot + 1));
    const ShotReplay replay = ReplayShot(shot);
    for (int slot = 0; slot < 16; ++slot) {
      EXPECT_EQ(replay.after[slot].x, shot.after.stones[slot].x) << slot;
      EXPECT_EQ(replay.after[slot].y, shot.after.stones[slot].y) << slot;
    }
    ASSERT_FALSE(replay.paths.empty());
    for (const ShotReplay::Path& path : replay.paths) {
      ASSERT_GE(path.points.size(), 2u);
      const bool delivered = path.slot == shot.shot;
      struckStones += delivered ? 0 : 1;
      const StonePosition start =
          delivered ? StonePosition{2.375f, 33.23f} : shot.before.stones[path.slot];
      EXPECT_NEAR(path.points.front().x, start.x, 1e-5);
      EXPECT_NEAR(path.points.front().y, start.y, 1e-5);
      const StonePosition rest = shot.after.stones[path.slot];
      if (rest.x > 0.0f || rest.y > 0.0f) {  // still in play
        EXPECT_NEAR(path.points.back().x, rest.x, 1e-5) << path.slot;
        EXPECT_NEAR(path.points.back().y, rest.y, 1e-5) << path.slot;
      }
    }
  }
  EXPECT_GT(struckStones, 20);
}

}  // namespace
}  // namespace Match
