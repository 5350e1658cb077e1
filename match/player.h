#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "curling_simulator.h"

namespace Match {

// Why a player lost a game without playing it out (it did not start, exited, stayed silent past
// the time limit or answered something that is not a reply). Recorded as given.
struct Fault {
  std::string reason;
};

// A player's answer to "your shot": the release it asked for, the diagnostic lines it wrote
// before the reply and the time it took to answer, in seconds.
struct ShotAnswer {
  ShotVelocity release{};
  std::vector<std::string> diagnostics;
  double seconds = 0.0;
};

// One side of a game as the game loop sees it. The engine client implements it over a child
// process; tests implement it in process.
class Player {
 public:
  virtual ~Player() = default;
  // Prepares for a new game (the engine protocol's ISREADY / READYOK).
  virtual std::optional<Fault> NewGame() = 0;
  // Asks for the shot to play in `state`, whose side to move is this player's.
  virtual std::variant<ShotAnswer, Fault> Move(const CurlingStateRecord& state) = 0;
  // The game is over (GAMEOVER); no answer expected.
  virtual void GameOver() = 0;
  // Called after a fault: drop whatever is left of the player so the next game starts afresh.
  virtual void Abandon() = 0;
};

}  // namespace Match
