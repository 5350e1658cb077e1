#pragma once

#include <cmath>

#include "shot_player.h"

namespace Match {

// A deterministic stand-in for the simulator in unit tests: the stone comes to rest at a point
// computed from the release and the seed, and the bookkeeping follows the simulator's contract
// (running score, next shot, next end after shot 15 with the scoring side leading it).
class FakePhysics : public ShotPlayer {
 public:
  int Play(CurlingStateRecord& state, ShotVelocity release, float noise, ShotVelocity& executed,
           int seed) const override {
    if (state.shotNumber < 0 || state.shotNumber > 15 || state.endNumber < 0 ||
        state.endNumber > 9) {
      return -1;
    }
    executed = release;
    executed.vx += noise * static_cast<float>(seed % 7) * 0.001f;
    const int side = state.sideToMove ? 1 : 0;
    state.stones[state.shotNumber] = {2.375f + executed.vx, 4.88f + executed.vy};
    // Score: nearest stone within the house decides, one point per closer stone.
    float nearest[2] = {1e9f, 1e9f};
    auto owner = [&](int slot) { return slot % 2 == state.shotNumber % 2 ? side : 1 - side; };
    auto distance = [&](int slot) {
      return std::hypot(state.stones[slot].x - 2.375f, state.stones[slot].y - 4.88f);
    };
    for (int i = 0; i <= state.shotNumber; ++i) {
      if (distance(i) <= 1.975f) nearest[owner(i)] = std::min(nearest[owner(i)], distance(i));
    }
    int score = 0;
    for (int i = 0; i <= state.shotNumber; ++i) {
      int s = owner(i);
      if (distance(i) <= 1.975f && distance(i) < nearest[1 - s]) score += s == 0 ? 1 : -1;
    }
    state.endScores[state.endNumber] = score;
    if (state.shotNumber == 15) {
      state.shotNumber = 0;
      state.endNumber += 1;
      state.sideToMove = score > 0 ? false : (score < 0 ? true : side == 0);
    } else {
      state.shotNumber += 1;
      state.sideToMove = !state.sideToMove;
    }
    return 0;
  }
};

}  // namespace Match
