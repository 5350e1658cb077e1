#pragma once

#include <array>
#include <map>
#include <optional>

#include "game.h"
#include "options.h"
#include "stats.h"

namespace Match {

// The sequential test of a match being played (`--sprt`, or `--sprt-points`: `onPoints`): fed
// every finished game in the order the games finish, it counts each pair (games 2k-1 and 2k) once
// both its games are in, by the summary's rules (PairCell: a game forfeited by both engines leaves
// its pair out; PairPoints: the points test takes a pair with a game played out), and then gives
// SprtOf or PointsSprtOf over every complete pair so far. Not synchronised; the match output calls
// it under its own lock, and once a verdict is reached starts no new game.
class LiveSprt {
 public:
  LiveSprt(const SprtSettings& settings, bool onPoints)
      : settings_(settings), onPoints_(onPoints) {}

  // A finished game (numbered from 0, each once). Returns the test when the game completed its
  // pair, nullopt when its partner has not finished yet.
  std::optional<SprtSummary> Add(const GameResult& game);

 private:
  SprtSettings settings_;
  bool onPoints_;
  std::map<int, GameResult> waiting_;  // by pair index: the pair's game that finished first
  std::array<int, 5> pentanomial_{};
  PairPointsMoments moments_;
};

}  // namespace Match
