#pragma once

#include <array>
#include <vector>

#include "game.h"

namespace Match {

// A recorded shot played again with the stone simulator's own model: where its stones came to
// rest and the path each moving stone took, for the game pages.
struct ShotReplay {
  std::array<StonePosition, 16> after{};  // the stones as the rules left them
  struct Path {
    int slot = 0;
    std::vector<StonePosition> points;  // from where the stone started moving to where it stopped
  };                                    // or left play
  std::vector<Path> paths;              // one per stone that moved, in slot order
};

// Replays the executed release of `shot` from the position before it (its end, shot number, side
// and stones), with points about `spacing` metres apart along each path. The same release on the
// same position gives the same shot as when it was played, so `after` equals the record's.
// Throws std::runtime_error for a shot outside the limits of a game.
ShotReplay ReplayShot(const ShotEvent& shot, double spacing = 0.05);

}  // namespace Match
