#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "player.h"
#include "shot_player.h"

namespace Match {

// One delivered stone as it was played: who asked for what, what the simulator executed and the
// position before and after.
struct ShotEvent {
  int game = 0;  // from 0
  int end = 0;   // from 0
  int shot = 0;  // 0 to 15
  int side = 0;  // side that delivered it
  ShotVelocity asked{};
  ShotVelocity executed{};
  CurlingStateRecord before{};
  CurlingStateRecord after{};
  int runningScore = 0;  // the end's score after this shot (its final score after shot 15)
  double seconds = 0.0;  // the player's thinking time
  int seed = 0;          // the simulator seed of this shot
  std::vector<std::string> diagnostics;
};

// The house at the end of an end, for the pictures.
struct EndPicture {
  int game = 0;
  int end = 0;
  int firstSide = 0;  // side that delivered shot 0 (even slots); the other has the hammer
  std::array<StonePosition, 16> stones{};
  int score = 0;  // positive for side 0
};

// How a game went. Sides are 0 and 1; `engineOfSide` maps them to the match's engines.
struct GameResult {
  int game = 0;
  std::array<int, 2> engineOfSide{0, 1};
  std::vector<int> endScores;          // completed ends, positive for side 0
  std::array<std::string, 2> forfeit;  // per side: why it lost by forfeit, empty if it did not
  int winnerSide = -1;                 // -1: drawn, or both sides forfeited
  std::vector<EndPicture> ends;
  std::vector<ShotEvent> shots;  // every shot delivered, in order (for the game page)

  int Total() const;  // sum of endScores: positive when side 0 leads
  bool Forfeited() const { return !forfeit[0].empty() || !forfeit[1].empty(); }
};

// The winning side by the runner's rule: when a side forfeited, the other one (none, -1, when
// both did); otherwise the side with more points, -1 for a draw. PlayGame sets winnerSide with it
// and the record reader rejects a game line whose winner disagrees with it.
int WinnerOf(const GameResult& result);

// Watches a game as it is played (record, progress line, pictures).
class GameObserver {
 public:
  virtual ~GameObserver() = default;
  virtual void OnShot(const ShotEvent& shot) = 0;
  // `soFar` is the game up to and including this end (no winner yet).
  virtual void OnEnd(const EndPicture& end, const GameResult& soFar) = 0;
};

// What a game is played with.
struct GameSettings {
  int ends = 10;                // 1 to 10
  float noise = 0.3f;           // execution error
  std::uint64_t matchSeed = 0;  // every shot's seed derives from it
};

// Plays one game: readies both players, then asks the side to move for every shot, plays it with
// `physics` and the shot's seed, and clears the sheet after every end. A player fault ends the
// game at once and the faulting side loses by forfeit; the other player is told the game is
// over. Throws std::runtime_error when the physics rejects a position (a runner defect).
GameResult PlayGame(int game, const std::array<Player*, 2>& bySide,
                    const std::array<int, 2>& engineOfSide, const ShotPlayer& physics,
                    const GameSettings& settings, GameObserver& observer);

}  // namespace Match
