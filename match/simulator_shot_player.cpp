#include "shot_player.h"

namespace Match {

int SimulatorShotPlayer::Play(CurlingStateRecord& state, ShotVelocity release, float noise,
                              ShotVelocity& executed, int seed) const {
  return Simulation(&state, release, noise, &executed, seed);
}

}  // namespace Match
