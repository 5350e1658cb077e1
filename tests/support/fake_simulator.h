#pragma once

#include <cstdint>

#include "curling_simulator.h"

// A counting stand-in for the simulator library, for unit tests: it defines CreateShot,
// CreateHitShot and Simulation with deterministic results and counts every call. Thread-safe.
//
// Releases, computed from the target alone:
//   CreateShot:    vx = x - 2.375 + (curl ? 0.125 : -0.125), vy = -y,         curl copied
//   CreateHitShot: vx = x - 2.375 + (curl ? 0.125 : -0.125), vy = -y - power, curl copied
// Simulation puts the delivered stone into the slot of the shot number at (2.375 + vx, -vy) for
// a draw-like release (the curl offset removed), advances the shot number, gives the turn to the
// other side and, after the sixteenth shot, scores the end 1 for side 0, clears the sheet, advances
// the end number and sets the shot number back to 0.
// Link a test program against either this fake or the real library, never both: the fake defines
// the same three symbols.
namespace FakeSimulator {

// What the fake has been asked since the last Reset.
struct Calls {
  std::uint64_t createShot = 0;
  std::uint64_t createHitShot = 0;
  std::uint64_t simulation = 0;
};

// The arguments of the latest calls.
struct LastArguments {
  ShotTarget target{};  // of the latest CreateShot or CreateHitShot
  float power = 0.0f;   // of the latest CreateHitShot
  ShotVelocity shot{};  // of the latest Simulation
  float noise = 0.0f;
  bool executedWasNull = true;
  int seed = 0;
};

Calls Counts();
LastArguments Last();
void Reset();

// The releases the fake computes, for tests to compare with.
ShotVelocity DrawRelease(ShotTarget target);
ShotVelocity HitRelease(ShotTarget target, float power);

}  // namespace FakeSimulator
