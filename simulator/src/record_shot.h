// One shot played onto a record: the stones, the physics, the rules, the score and the turn.
#ifndef CURLING_SIMULATOR_RECORD_SHOT_H
#define CURLING_SIMULATOR_RECORD_SHOT_H

#include "curling_simulator.h"
#include "shot_physics.h"

namespace curling_sim {

// Plays the release `played` (the execution error already applied) onto the record in place, as
// Simulation does after drawing the error: the stone of slot shotNumber is delivered, the physics
// runs and the rules write the stones, the score, the shot and end numbers and the side to move.
// With a trace, the motion of every stone is kept there too (the shot is the same). Returns 0, or
// a negative number and changes nothing when the record is outside the limits. A viewer replays a
// recorded shot with this from the position before it and the executed release.
int PlayRecordShot(CurlingStateRecord& state, ShotVelocity played, ShotTrace* trace = nullptr);

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_RECORD_SHOT_H
