#include "scripted_simulator.h"

#include <mutex>

namespace ScriptedSimulator {
namespace {

// The searches call the simulator from their worker threads: every access is under this lock.
std::mutex lock;
Script script;
std::vector<SimulationCall> calls;

ShotVelocity ReleaseFor(ShotTarget target) {
  return ShotVelocity{target.x - 2.375f, -target.y, target.curl};
}

}  // namespace

void Reset(Script newScript) {
  std::lock_guard<std::mutex> guard(lock);
  script = std::move(newScript);
  calls.clear();
}

const std::vector<SimulationCall>& Simulations() {
  return calls;
}

}  // namespace ScriptedSimulator

using namespace ScriptedSimulator;

extern "C" int CreateShot(ShotTarget target, ShotVelocity* shot) {
  *shot = ReleaseFor(target);
  return 0;
}

extern "C" int CreateHitShot(ShotTarget target, float power, ShotVelocity* shot) {
  *shot = ReleaseFor(target);
  shot->vy -= power;
  return 0;
}

extern "C" int Simulation(CurlingStateRecord* state, ShotVelocity shot, float noise,
                          ShotVelocity* executed, int seed) {
  std::lock_guard<std::mutex> guard(lock);
  calls.push_back(SimulationCall{*state, shot, noise, executed == nullptr, seed});
  if (executed != nullptr) *executed = shot;
  const int shotNumber = state->shotNumber;
  if (shotNumber < 0 || shotNumber >= 16) return 0;
  state->stones[shotNumber] = StonePosition{2.375f + shot.vx, -shot.vy};
  state->shotNumber = shotNumber + 1;
  if (!script.keepSide) state->sideToMove = !state->sideToMove;
  if (state->shotNumber == 16 && script.closeEnds) {
    const int end = state->endNumber;
    if (end >= 0 && end < 10) {
      const std::size_t slot = static_cast<std::size_t>(end);
      state->endScores[end] = slot < script.endScores.size() ? script.endScores[slot] : 0;
    }
    state->endNumber = end + 1;
    state->shotNumber = 0;
  }
  return 0;
}
