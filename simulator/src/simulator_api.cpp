// The exported C interface: argument checks, execution error and the record, around the physics.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "contact.h"
#include "curling_simulator.h"
#include "end_rules.h"
#include "execution_error.h"
#include "release.h"
#include "separation.h"
#include "shot_physics.h"

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

  // Step 2. The stones before the shot; the delivered stone takes its slot.
  StonePosition before[curling_sim::kStoneCount];
  std::memcpy(before, state->stones, sizeof before);
  curling_sim::CleanStones(before);
  const int delivered = header.shotNumber;
  before[delivered] = {0.0f, 0.0f};

  // Step 3. Stones that overlap are pushed apart first, in the record's precision, and the
  // position so separated is the one the shot starts from (and goes back to under the free guard
  // zone rule). A stone pushed out of the playing area is out of play.
  curling_sim::StoneSet stones;
  for (int i = 0; i < curling_sim::kStoneCount; ++i) {
    stones.inPlay[i] = curling_sim::InPlay(before[i]);
    stones.position[i] = {before[i].x, before[i].y};
  }
  const std::uint32_t separated = curling_sim::SeparateOverlaps(stones);
  for (int i = 0; separated != 0 && i < curling_sim::kStoneCount; ++i) {
    if ((separated & (1u << i)) == 0) continue;
    const StonePosition s{static_cast<float>(stones.position[i].x),
                          static_cast<float>(stones.position[i].y)};
    // A stone too far out for a float to show the push stays where it was.
    if (s.x != before[i].x || s.y != before[i].y) {
      const bool out = curling_sim::OutsidePlayingArea({s.x, s.y});
      before[i] = out ? StonePosition{0.0f, 0.0f} : s;
      stones.inPlay[i] = !out;
    }
    stones.position[i] = {before[i].x, before[i].y};
  }

  // Step 4. The physics. A release that is not finite delivers no stone.
  curling_sim::ShotOutcome outcome;
  const Vec release{played.vx, played.vy};
  if (Finite(release)) {
    outcome =
        curling_sim::PlayShot(stones, delivered, release, curling_sim::SpinOfCurl(played.curl));
  }

  // Step 5. Resting positions in the record's precision; out of play and non-finite at (0, 0).
  StonePosition after[curling_sim::kStoneCount];
  for (int i = 0; i < curling_sim::kStoneCount; ++i) {
    after[i] = {0.0f, 0.0f};
    if (!stones.inPlay[i]) continue;
    after[i] = {static_cast<float>(stones.position[i].x), static_cast<float>(stones.position[i].y)};
  }
  curling_sim::CleanStones(after);

  // Step 6. Rules, score and the next turn.
  curling_sim::FinishShot(*state, header, before, after, outcome.shooterTouched);
  return 0;
}

}  // extern "C"
