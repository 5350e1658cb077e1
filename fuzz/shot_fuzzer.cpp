// Fuzz target: CreateShot and CreateHitShot on arbitrary targets, curl bytes and powers. A finite
// target always gets a finite release (extrapolated when it lies off the sheet) and a target that
// is not finite is refused without a write. For targets on the sheet the release must also keep
// the contract's shape: a hit of power 0 or less is the draw, mirrored targets with opposite curls
// give mirrored releases, and a draw that stays in play on an empty sheet rests on its target.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "curling_simulator.h"

namespace {

[[noreturn]] void Fail(const char* what, ShotTarget t, float power) {
  std::fprintf(stderr, "shot fuzzer: %s (target %a %a, power %a)\n", what, t.x, t.y, power);
  std::abort();
}

float AnyFloat(FuzzedDataProvider& in) {
  float f;
  const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

float Coordinate(FuzzedDataProvider& in, float low, float high) {
  return in.ConsumeBool() ? AnyFloat(in) : in.ConsumeFloatingPointInRange<float>(low, high);
}

// Equal within float rounding of values of this size.
bool Close(float a, float b) {
  return std::fabs(a - b) <= 1e-5f * (1.0f + std::fabs(a) + std::fabs(b));
}

ShotTarget Target(float x, float y, unsigned char curl) {
  ShotTarget t{x, y, false};
  std::memcpy(reinterpret_cast<unsigned char*>(&t) + offsetof(ShotTarget, curl), &curl, 1);
  return t;
}

// Calls one of the two functions and checks the result's form; returns whether a release came.
bool Release(bool hit, ShotTarget t, float power, ShotVelocity& v) {
  const ShotVelocity sentinel{12345.0f, 12345.0f, false};
  v = sentinel;
  const int rc = hit ? CreateHitShot(t, power, &v) : CreateShot(t, &v);
  const bool finiteTarget = std::isfinite(t.x) && std::isfinite(t.y);
  if (!finiteTarget) {
    if (rc >= 0) Fail("a target that is not finite was accepted", t, power);
    if (v.vx != sentinel.vx || v.vy != sentinel.vy) Fail("a refused call wrote", t, power);
    return false;
  }
  if (rc != 0) Fail("a finite target got no release", t, power);
  if (!std::isfinite(v.vx) || !std::isfinite(v.vy)) Fail("the release is not finite", t, power);
  unsigned char curl;
  std::memcpy(&curl, reinterpret_cast<const unsigned char*>(&v) + offsetof(ShotVelocity, curl), 1);
  unsigned char asked;
  std::memcpy(&asked, reinterpret_cast<const unsigned char*>(&t) + offsetof(ShotTarget, curl), 1);
  if (curl != (asked != 0 ? 1 : 0)) Fail("the release has another curl", t, power);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  while (in.remaining_bytes() > 0) {
    const float x = Coordinate(in, -1.0f, 6.0f);
    const float y = Coordinate(in, 0.0f, 40.0f);
    const unsigned char curl = in.ConsumeIntegral<unsigned char>();
    const float power =
        in.ConsumeBool() ? AnyFloat(in) : in.ConsumeFloatingPointInRange(-4.0f, 20.0f);
    const ShotTarget t = Target(x, y, curl);
    ShotVelocity draw, hit;
    const bool drawn = Release(false, t, power, draw);
    const bool hitMade = Release(true, t, power, hit);
    if (!drawn || !hitMade) continue;

    // The shape checks hold on the sheet, between the back line and the far hog line.
    const bool onSheet = x > 0.145f && x < 4.605f && y >= 3.05f && y <= 11.28f;
    if (!onSheet) continue;
    if (power <= 0.0f && (!Close(draw.vx, hit.vx) || !Close(draw.vy, hit.vy))) {
      Fail("a hit without power is not the draw", t, power);
    }
    ShotVelocity mirrored;
    if (CreateShot(Target(4.75f - x, y, curl != 0 ? 0 : 1), &mirrored) != 0) {
      Fail("the mirrored target got no release", t, power);
    }
    if (!Close(mirrored.vx, -draw.vx) || !Close(mirrored.vy, draw.vy)) {
      Fail("mirrored targets give releases that are not mirrored", t, power);
    }
    // Alone on the sheet, without noise: in play means on the target, within a millimetre.
    CurlingStateRecord empty;
    std::memset(&empty, 0, sizeof empty);
    if (Simulation(&empty, draw, 0.0f, nullptr, 0) != 0)
      Fail("an empty sheet was refused", t, power);
    const StonePosition rest = empty.stones[0];
    if (!(rest.x <= 0.0f && rest.y <= 0.0f) && y < 11.13f) {
      if (std::hypot(rest.x - x, rest.y - y) > 0.001) Fail("the draw misses its target", t, power);
    }
  }
  return 0;
}
