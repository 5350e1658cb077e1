#pragma once

#include "curling_simulator.h"

namespace Match {

// Plays one delivered stone onto a position: the physics of the game. The match uses the stone
// simulator library; unit tests use a deterministic stand-in.
class ShotPlayer {
 public:
  virtual ~ShotPlayer() = default;
  // Same contract as the simulator's Simulation: 0 on success, negative when nothing changed.
  virtual int Play(CurlingStateRecord& state, ShotVelocity release, float noise,
                   ShotVelocity& executed, int seed) const = 0;
};

// The stone simulator library (libcurling_simulator).
class SimulatorShotPlayer : public ShotPlayer {
 public:
  int Play(CurlingStateRecord& state, ShotVelocity release, float noise, ShotVelocity& executed,
           int seed) const override;
};

}  // namespace Match
