#pragma once

#include <cstdint>
#include <vector>

#include "curling_simulator.h"

// A stand-in for the simulator library made for the experiment's tests: besides counting its
// calls it lets a test say how the games go, which the fixed counting fake cannot (it always gives
// side 0 the end and clears the sheet itself).
//
// CreateShot and CreateHitShot return the release (x - 2.375, -y) with the target's curl (a hit
// also subtracts the power from vy). Simulation, on a state whose shot number is 0 to 15:
//   - puts the stone into the slot of the shot number at (2.375 + vx, -vy), so a release names
//     the place of its stone;
//   - advances the shot number and, unless `keepSide` is set, hands the turn to the other side;
//   - after the sixteenth shot, unless `closeEnds` is cleared: writes endScore(endNumber) into
//     the end's slot (when it is 0 to 9), advances the end number and sets the shot number back
//     to 0. The stones stay where they are.
// A state outside those limits is only counted. Link a program against this or another
// simulator, never two.
namespace ScriptedSimulator {

// How the simulated games go; set by a test before it runs, read by Simulation.
struct Script {
  std::vector<std::int32_t> endScores;  // score of end i (slot i); ends beyond the list score 0
  bool keepSide = false;                // never change sideToMove
  bool closeEnds = true;                // close an end after its sixteenth shot
};

// One Simulation call as it arrived.
struct SimulationCall {
  CurlingStateRecord before{};
  ShotVelocity shot{};
  float noise = 0.0f;
  bool executedWasNull = false;
  int seed = 0;
};

// Sets the script and forgets every recorded call.
void Reset(Script script = {});

// The Simulation calls since the last Reset, in order.
const std::vector<SimulationCall>& Simulations();

}  // namespace ScriptedSimulator
