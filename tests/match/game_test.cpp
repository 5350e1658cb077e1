#include "game.h"

#include <gtest/gtest.h>

#include "fake_physics.h"
#include "shot_seed.h"

namespace Match {
namespace {

// A player that aims at a fixed offset from the tee and can fail on a chosen call.
class ScriptedPlayer : public Player {
 public:
  ScriptedPlayer(float dx, float dy) : dx_(dx), dy_(dy) {}

  std::optional<Fault> NewGame() override {
    ++newGames;
    if (failReady) return Fault{"no READYOK"};
    return std::nullopt;
  }
  std::variant<ShotAnswer, Fault> Move(const CurlingStateRecord& state) override {
    seen.push_back(state);
    if (failAtMove >= 0 && static_cast<int>(seen.size()) > failAtMove) return Fault{"silent"};
    ShotAnswer answer;
    answer.release = {dx_, dy_, state.shotNumber % 2 == 1};
    answer.diagnostics = {"shot " + std::to_string(state.shotNumber)};
    return answer;
  }
  void GameOver() override { ++gameOvers; }
  void Abandon() override { ++abandons; }

  int newGames = 0;
  int gameOvers = 0;
  int abandons = 0;
  bool failReady = false;
  int failAtMove = -1;
  std::vector<CurlingStateRecord> seen;

 private:
  float dx_;
  float dy_;
};

class Collector : public GameObserver {
 public:
  void OnShot(const ShotEvent& shot) override { shots.push_back(shot); }
  void OnEnd(const EndPicture& end, const GameResult& soFar) override {
    ends.push_back(end);
    EXPECT_EQ(soFar.ends.size(), ends.size());
    EXPECT_EQ(soFar.endScores.back(), end.score);
  }
  std::vector<ShotEvent> shots;
  std::vector<EndPicture> ends;
};

TEST(PlayGame, PlaysEveryShotOfEveryEndWithTheSideToMove) {
  ScriptedPlayer close(0.0f, 0.1f);  // side 0: always nearest the tee
  ScriptedPlayer far(0.0f, 1.0f);
  Collector seen;
  FakePhysics physics;
  GameSettings settings{3, 0.3f, 99};
  GameResult result = PlayGame(4, {&close, &far}, {1, 0}, physics, settings, seen);

  ASSERT_EQ(seen.shots.size(), 48u);
  ASSERT_EQ(seen.ends.size(), 3u);
  EXPECT_EQ(result.game, 4);
  EXPECT_EQ((result.engineOfSide), (std::array<int, 2>{1, 0}));
  EXPECT_FALSE(result.Forfeited());
  // Side 0's stones sit nearest, so it scores each end and then leads the next one.
  for (int end = 0; end < 3; ++end) {
    EXPECT_GT(result.endScores[end], 0) << end;
    EXPECT_EQ(seen.ends[end].firstSide, 0);
  }
  EXPECT_EQ(result.winnerSide, 0);
  for (const ShotEvent& shot : seen.shots) {
    EXPECT_EQ(shot.side, shot.before.sideToMove ? 1 : 0);
    EXPECT_EQ(shot.seed, ShotSeed(99, 4, shot.end, shot.shot));
    EXPECT_EQ(shot.before.shotNumber, shot.shot);
    EXPECT_EQ(shot.runningScore, shot.after.endScores[shot.end]);
    EXPECT_EQ(shot.diagnostics.size(), 1u);
  }
  // Every end starts on an empty sheet.
  for (const ShotEvent& shot : seen.shots) {
    if (shot.shot != 0) continue;
    for (const StonePosition& stone : shot.before.stones) {
      EXPECT_EQ(stone.x, 0.0f);
      EXPECT_EQ(stone.y, 0.0f);
    }
  }
  // Each player was asked only on its own turns, and saw the earlier ends' scores.
  EXPECT_EQ(close.seen.size() + far.seen.size(), 48u);
  for (const auto& state : far.seen) EXPECT_TRUE(state.sideToMove);
  EXPECT_GT(far.seen.back().endScores[0], 0);
  EXPECT_EQ(close.newGames, 1);
  EXPECT_EQ(close.gameOvers, 1);
  EXPECT_EQ(far.gameOvers, 1);
  EXPECT_EQ(close.abandons + far.abandons, 0);
}

TEST(PlayGame, AFaultLosesByForfeitAndEndsTheGame) {
  ScriptedPlayer a(0.0f, 0.1f);
  ScriptedPlayer b(0.0f, 1.0f);
  b.failAtMove = 3;  // its fourth shot
  Collector seen;
  FakePhysics physics;
  GameResult result = PlayGame(0, {&a, &b}, {0, 1}, physics, GameSettings{2, 0.0f, 1}, seen);
  EXPECT_EQ(result.forfeit[1], "silent");
  EXPECT_TRUE(result.forfeit[0].empty());
  EXPECT_EQ(result.winnerSide, 0);
  EXPECT_EQ(seen.shots.size(), 7u);  // shots 0 to 6; shot 7 was never played
  EXPECT_TRUE(result.endScores.empty());
  EXPECT_EQ(b.abandons, 1);
  EXPECT_EQ(b.gameOvers, 0);
  EXPECT_EQ(a.gameOvers, 1);
}

TEST(PlayGame, ReadinessFaults) {
  for (int failing : {0, 1, 2}) {  // 2: both
    ScriptedPlayer a(0.0f, 0.1f);
    ScriptedPlayer b(0.0f, 1.0f);
    a.failReady = failing != 1;
    b.failReady = failing != 0;
    Collector seen;
    FakePhysics physics;
    GameResult result = PlayGame(0, {&a, &b}, {0, 1}, physics, GameSettings{1, 0.0f, 1}, seen);
    EXPECT_TRUE(seen.shots.empty());
    EXPECT_EQ(result.winnerSide, failing == 2 ? -1 : 1 - failing);
    EXPECT_EQ(a.abandons, a.failReady ? 1 : 0);
    EXPECT_EQ(b.gameOvers, b.failReady ? 0 : 1);
  }
}

TEST(PlayGame, BlankEndsDrawAndKeepTheLead) {
  ScriptedPlayer a(0.0f, 5.0f);  // both far outside the house
  ScriptedPlayer b(0.0f, 6.0f);
  Collector seen;
  FakePhysics physics;
  GameResult result = PlayGame(0, {&a, &b}, {0, 1}, physics, GameSettings{2, 0.0f, 1}, seen);
  EXPECT_EQ(result.endScores, (std::vector<int>{0, 0}));
  EXPECT_EQ(result.winnerSide, -1);
  EXPECT_EQ(seen.ends[1].firstSide, 0);
}

// A physics that does not move the game on must not hang the runner.
class StuckPhysics : public ShotPlayer {
 public:
  int Play(CurlingStateRecord&, ShotVelocity, float, ShotVelocity&, int) const override {
    return 0;
  }
};

class RejectingPhysics : public ShotPlayer {
 public:
  int Play(CurlingStateRecord&, ShotVelocity, float, ShotVelocity&, int) const override {
    return -1;
  }
};

TEST(PlayGame, PhysicsThatMisbehavesIsAnError) {
  ScriptedPlayer a(0.0f, 0.1f);
  ScriptedPlayer b(0.0f, 1.0f);
  Collector seen;
  EXPECT_THROW(PlayGame(0, {&a, &b}, {0, 1}, StuckPhysics{}, GameSettings{1, 0.0f, 1}, seen),
               std::runtime_error);
  EXPECT_THROW(PlayGame(0, {&a, &b}, {0, 1}, RejectingPhysics{}, GameSettings{1, 0.0f, 1}, seen),
               std::runtime_error);
}

}  // namespace
}  // namespace Match
