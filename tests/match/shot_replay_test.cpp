// Recorded shots replayed with the simulator's model, as the game pages draw them.
#include <gtest/gtest.h>

#include <cmath>

#include "record_reader.h"
#include "shot_replay.h"

namespace Match {
namespace {

// A game of two ends between the engine and the test engine (which writes diagnostic lines).
const std::string kFixedRecord = std::string(MATCH_TEST_DATA_DIR) + "/two-ends.jsonl";

bool InPlay(StonePosition s) {
  return s.x > 0.0f || s.y > 0.0f;
}

TEST(ShotReplay, EveryRecordedShotRestsWhereTheRecordHasItAndItsPathsEndThere) {
  const RecordSet records = ReadRecordFiles({kFixedRecord});
  ASSERT_EQ(records.games.size(), 1u);
  const std::vector<ShotEvent>& shots = records.games[0].result.shots;
  ASSERT_EQ(shots.size(), 32u);
  int struckStones = 0;
  for (const ShotEvent& shot : shots) {
    SCOPED_TRACE("end " + std::to_string(shot.end + 1) + " shot " + std::to_string(shot.shot + 1));
    const ShotReplay replay = ReplayShot(shot);
    for (int slot = 0; slot < 16; ++slot) {
      EXPECT_EQ(replay.after[slot].x, shot.after.stones[slot].x) << slot;
      EXPECT_EQ(replay.after[slot].y, shot.after.stones[slot].y) << slot;
    }
    ASSERT_FALSE(replay.paths.empty());
    for (const ShotReplay::Path& path : replay.paths) {
      ASSERT_GE(path.points.size(), 2u);
      const StonePosition start = path.points.front();
      const StonePosition end = path.points.back();
      if (path.slot == shot.shot) {  // the delivered stone starts at the release point
        EXPECT_FLOAT_EQ(start.x, 2.375f);
        EXPECT_FLOAT_EQ(start.y, 33.23f);
      } else {  // a struck stone starts where it lay
        ++struckStones;
        EXPECT_NEAR(start.x, shot.before.stones[path.slot].x, 1e-5);
        EXPECT_NEAR(start.y, shot.before.stones[path.slot].y, 1e-5);
      }
      // Points about 10 cm apart, and the last where the stone came to rest (unless it left
      // play or the rules removed it).
      for (std::size_t i = 1; i < path.points.size(); ++i) {
        const double step = std::hypot(path.points[i].x - path.points[i - 1].x,
                                       path.points[i].y - path.points[i - 1].y);
        EXPECT_LE(step, 0.1 + 1e-4);
      }
      const StonePosition rest = shot.after.stones[path.slot];
      if (InPlay(rest)) {
        EXPECT_NEAR(end.x, rest.x, 1e-5) << path.slot;
        EXPECT_NEAR(end.y, rest.y, 1e-5) << path.slot;
      }
    }
  }
  EXPECT_GT(struckStones, 0);  // the record has collisions
}

}  // namespace
}  // namespace Match
