#include "fake_simulator.h"

#include <atomic>
#include <mutex>

namespace FakeSimulator {
namespace {

std::atomic<std::uint64_t> createShotCalls{0};
std::atomic<std::uint64_t> createHitShotCalls{0};
std::atomic<std::uint64_t> simulationCalls{0};
std::mutex lastLock;
LastArguments last;

float CurlOffset(bool curl) {
  return curl ? 0.125f : -0.125f;
}

}  // namespace

Calls Counts() {
  return Calls{createShotCalls.load(), createHitShotCalls.load(), simulationCalls.load()};
}

LastArguments Last() {
  std::lock_guard<std::mutex> guard(lastLock);
  return last;
}

void Reset() {
  createShotCalls = 0;
  createHitShotCalls = 0;
  simulationCalls = 0;
  std::lock_guard<std::mutex> guard(lastLock);
  last = LastArguments{};
}

ShotVelocity DrawRelease(ShotTarget target) {
  ShotVelocity v{};
  v.vx = target.x - 2.375f + CurlOffset(target.curl);
  v.vy = -target.y;
  v.curl = target.curl;
  return v;
}

ShotVelocity HitRelease(ShotTarget target, float power) {
  ShotVelocity v = DrawRelease(target);
  v.vy -= power;
  return v;
}

}  // namespace FakeSimulator

using namespace FakeSimulator;

extern "C" int CreateShot(ShotTarget target, ShotVelocity* shot) {
  ++createShotCalls;
  {
    std::lock_guard<std::mutex> guard(lastLock);
    last.target = target;
  }
  *shot = DrawRelease(target);
  return 0;
}

extern "C" int CreateHitShot(ShotTarget target, float power, ShotVelocity* shot) {
  ++createHitShotCalls;
  {
    std::lock_guard<std::mutex> guard(lastLock);
    last.target = target;
    last.power = power;
  }
  *shot = HitRelease(target, power);
  return 0;
}

extern "C" int Simulation(CurlingStateRecord* state, ShotVelocity shot, float noise,
                          ShotVelocity* executed, int seed) {
  ++simulationCalls;
  {
    std::lock_guard<std::mutex> guard(lastLock);
    last.shot = shot;
    last.noise = noise;
    last.executedWasNull = executed == nullptr;
    last.seed = seed;
  }
  if (executed != nullptr) *executed = shot;
  const int shotNumber = state->shotNumber;
  if (shotNumber >= 0 && shotNumber < 16) {
    state->stones[shotNumber].x = 2.375f + shot.vx - CurlOffset(shot.curl);
    state->stones[shotNumber].y = -shot.vy;
  }
  state->shotNumber = shotNumber + 1;
  state->sideToMove = !state->sideToMove;
  if (state->shotNumber >= 16) {
    if (state->endNumber >= 0 && state->endNumber < 10) state->endScores[state->endNumber] = 1;
    for (StonePosition& stone : state->stones) stone = StonePosition{0.0f, 0.0f};
    state->endNumber += 1;
    state->shotNumber = 0;
  }
  return 0;
}
