// The exported C interface: argument checks, execution error and the record, around the physics.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contact.h"
#include "curling_simulator.h"
#include "end_rules.h"
#include "execution_error.h"
#include "record_shot.h"
#include "release.h"

namespace {

using curling_sim::Vec;

// The curl byte of a record, read without trusting it to hold 0 or 1.
template <typename Record>
bool CurlOf(const Record& record) {
  unsigned char byte;
  std::memcpy(&byte, reinterpret_cast<const unsigned char*>(&record) + offsetof(Record, curl), 1);
  return byte != 0;
}

bool Finite(Vec v) {
  return std::isfinite(v.x) && std::isfinite(v.y);
}

int WriteRelease(Vec v, bool curl, ShotVelocity* shot) {
  const float vx = static_cast<float>(v.x);
  const float vy = static_cast<float>(v.y);
  if (!std::isfinite(vx) || !std::isfinite(vy)) return -2;
  shot->vx = vx;
  shot->vy = vy;
  shot->curl = curl;
  return 0;
}

}  // namespace

extern "C" {

int CreateShot(ShotTarget target, ShotVelocity* shot) {
  if (shot == nullptr) return -1;
  const Vec t{target.x, target.y};
  if (!Finite(t)) return -2;
  const bool curl = CurlOf(target);
  return WriteRelease(curling_sim::DrawRelease(t, curl), curl, shot);
}

int CreateHitShot(ShotTarget target, float power, ShotVelocity* shot) {
  if (shot == nullptr) return -1;
  const Vec t{target.x, target.y};
  if (!Finite(t)) return -2;
  const bool curl = CurlOf(target);
  return WriteRelease(curling_sim::HitRelease(t, curl, curling_sim::HitSpeed(power)), curl, shot);
}

int Simulation(CurlingStateRecord* state, ShotVelocity shot, float noise, ShotVelocity* executed,
               int seed) {
  if (state == nullptr) return -1;
  const curling_sim::RecordHeader header = curling_sim::ReadHeader(*state);
  if (!curling_sim::WithinLimits(header)) return -2;

  // Step 1. The release played: the asked one plus the execution error, rounded to the record's
  // precision so that replaying it gives the same shot.
  ShotVelocity played = shot;
  played.curl = CurlOf(shot);
  if (std::isfinite(noise) && noise > 0.0f && std::isfinite(shot.vx) && std::isfinite(shot.vy)) {
    curling_sim::NormalPair z;
    if (seed >= 0) {
      curling_sim::Generator generator(static_cast<std::uint64_t>(seed));
      z = curling_sim::DrawNormalPair(generator);
    } else {
      z = curling_sim::DrawNormalPair(curling_sim::ThreadGenerator());
    }
    const Vec v = curling_sim::PerturbRelease({shot.vx, shot.vy}, noise, z);
    played.vx = static_cast<float>(v.x);
    played.vy = static_cast<float>(v.y);
  }
  if (executed != nullptr) *executed = played;

  // Steps 2 to 5: the stones, the physics, the rules, the score and the next turn.
  return curling_sim::PlayRecordShot(*state, played);
}

}  // extern "C"
