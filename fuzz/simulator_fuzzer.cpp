// Fuzz target: Simulation on arbitrary records and releases. A record is either taken raw from the
// input (any shot and end number, any side byte, any stone coordinates) or built from it with the
// header inside the limits and the stones on or near the sheet, so that most shots are really
// played. Then up to eight shots are played on it in turn, each with an arbitrary release, curl
// byte, noise and seed. After every call the record is checked against the library's contract:
// - a record outside the limits is refused and left byte for byte as it was;
// - otherwise every stone is either out of play at exactly (0, 0) or, if it moved, in play inside
//   the sheet; no stone that moved rests on another by more than 1 mm (overlapping stones of the
//   record are separated first; only stones beyond a float's reach may go on overlapping, and not
//   by more); the score of the current end is the
//   score of the new position, the other scores and the server value are kept, and the shot and end
//   numbers and the side to move advance as the contract says;
// - the release reported as executed, replayed without noise, gives the same record; a seed of 0
//   or more gives the same record twice.
// Hangs are caught by libFuzzer's per-input timeout.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "curling_sim/sheet.h"
#include "curling_simulator.h"

namespace {

using curling_sim::kCountingRadius;
using curling_sim::kTeeX;
using curling_sim::kTeeY;
constexpr double kStoneDiameter = 0.29;
constexpr float kPlayMinX = 0.145f;
constexpr float kPlayMaxX = 4.605f;
constexpr float kPlayMinY = 3.05f - 0.145f;

[[noreturn]] void Fail(const char* what, int stone = -1) {
  std::fprintf(stderr, "simulator fuzzer: %s (stone %d)\n", what, stone);
  std::abort();
}

unsigned char SideByte(const CurlingStateRecord& r) {
  unsigned char b;
  std::memcpy(
      &b, reinterpret_cast<const unsigned char*>(&r) + offsetof(CurlingStateRecord, sideToMove), 1);
  return b;
}

void SetSideByte(CurlingStateRecord& r, unsigned char b) {
  std::memcpy(reinterpret_cast<unsigned char*>(&r) + offsetof(CurlingStateRecord, sideToMove), &b,
              1);
}

bool Same(const StonePosition& a, const StonePosition& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SameRelease(const ShotVelocity& a, const ShotVelocity& b) {
  return std::memcmp(&a.vx, &b.vx, sizeof a.vx) == 0 &&
         std::memcmp(&a.vy, &b.vy, sizeof a.vy) == 0 && a.curl == b.curl;
}

bool InPlay(const StonePosition& s) {
  return !(s.x <= 0.0f && s.y <= 0.0f);
}

double Distance(const StonePosition& a, const StonePosition& b) {
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

// The stone as the library must see it before a shot: anything not finite or not in play is out.
StonePosition Cleaned(const StonePosition& s) {
  if (!std::isfinite(s.x) || !std::isfinite(s.y) || !InPlay(s)) return {0.0f, 0.0f};
  return s;
}

// The score of a position: the side nearest the tee counts its stones nearer than the other side's
// nearest; positive for side 0. evenSide owns the even slots.
int Score(const StonePosition (&stones)[16], int evenSide) {
  double best[2] = {INFINITY, INFINITY};
  for (int i = 0; i < 16; ++i) {
    if (!InPlay(stones[i])) continue;
    const double dx = stones[i].x - kTeeX, dy = stones[i].y - kTeeY;
    const double d = dx * dx + dy * dy;  // squared distances throughout
    if (!(d <= kCountingRadius * kCountingRadius)) continue;
    const int side = (i % 2 == 0) ? evenSide : 1 - evenSide;
    if (d < best[side]) best[side] = d;
  }
  if (best[0] == best[1]) return 0;  // both empty, or a tie
  const int winner = best[0] < best[1] ? 0 : 1;
  int points = 0;
  for (int i = 0; i < 16; ++i) {
    if (!InPlay(stones[i])) continue;
    const int side = (i % 2 == 0) ? evenSide : 1 - evenSide;
    const double dx = stones[i].x - kTeeX, dy = stones[i].y - kTeeY;
    const double d = dx * dx + dy * dy;
    if (side == winner && d <= kCountingRadius * kCountingRadius && d < best[1 - winner]) ++points;
  }
  return winner == 0 ? points : -points;
}

float AnyFloat(FuzzedDataProvider& in) {
  float f;
  const std::uint32_t bits = in.ConsumeIntegral<std::uint32_t>();
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// A stone: mostly on or near the sheet, sometimes anywhere (any bits).
StonePosition AnyStone(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return {0.0f, 0.0f};
    case 1:
      return {AnyFloat(in), AnyFloat(in)};
    default:
      return {in.ConsumeFloatingPointInRange<float>(-0.5f, 5.25f),
              in.ConsumeFloatingPointInRange<float>(-0.5f, 14.0f)};
  }
}

// A release: a draw or a hit toward a target, or any two numbers.
ShotVelocity AnyRelease(FuzzedDataProvider& in) {
  ShotVelocity v{};
  const unsigned char curl = in.ConsumeIntegral<unsigned char>();
  const int kind = in.ConsumeIntegralInRange<int>(0, 3);
  if (kind <= 1) {
    ShotTarget t{in.ConsumeFloatingPointInRange<float>(-1.0f, 6.0f),
                 in.ConsumeFloatingPointInRange<float>(0.0f, 15.0f), false};
    t.curl = (curl & 1) != 0;
    const int rc = kind == 0 ? CreateShot(t, &v)
                             : CreateHitShot(t, in.ConsumeFloatingPointInRange<float>(-4, 20), &v);
    if (rc != 0) Fail("no release for a target on the sheet");
  } else if (kind == 2) {
    v.vx = in.ConsumeFloatingPointInRange<float>(-1.0f, 1.0f);
    v.vy = in.ConsumeFloatingPointInRange<float>(-6.0f, 1.0f);
  } else {
    v.vx = AnyFloat(in);
    v.vy = AnyFloat(in);
  }
  std::memcpy(reinterpret_cast<unsigned char*>(&v) + offsetof(ShotVelocity, curl), &curl, 1);
  return v;
}

void CheckShot(const CurlingStateRecord& before, const CurlingStateRecord& after, int rc) {
  const int shot = before.shotNumber;
  const int end = before.endNumber;
  const unsigned char side = SideByte(before);
  const bool valid = shot >= 0 && shot < 16 && end >= 0 && end < 10 && side <= 1;
  if (!valid) {
    if (rc >= 0) Fail("a record outside the limits was accepted");
    if (std::memcmp(&before, &after, sizeof before) != 0) Fail("a refused record was changed");
    return;
  }
  if (rc != 0) Fail("a record within the limits was refused");

  StonePosition cleaned[16];
  for (int i = 0; i < 16; ++i) cleaned[i] = Cleaned(before.stones[i]);
  cleaned[shot] = {0.0f, 0.0f};
  bool moved[16];
  for (int i = 0; i < 16; ++i) {
    const StonePosition& s = after.stones[i];
    moved[i] = !Same(s, cleaned[i]);
    if (!InPlay(s)) {
      if (s.x != 0.0f || s.y != 0.0f) Fail("a stone out of play is not at (0, 0)", i);
      continue;
    }
    if (!moved[i]) continue;
    if (!std::isfinite(s.x) || !std::isfinite(s.y)) Fail("a stone in play is not finite", i);
    if (!(s.x > kPlayMinX && s.x < kPlayMaxX && s.y >= kPlayMinY)) {
      Fail("a stone that moved rests outside the sheet", i);
    }
  }
  for (int i = 0; i < 16; ++i) {
    for (int j = i + 1; j < 16; ++j) {
      if (!(moved[i] || moved[j]) || !InPlay(after.stones[i]) || !InPlay(after.stones[j])) continue;
      const double distance = Distance(after.stones[i], after.stones[j]);
      if (distance >= kStoneDiameter - 0.001) continue;
      // Stones of the record that overlap are pushed apart before the shot, except so far out
      // (beyond 1 km) that a float cannot show the push: there a shot must not push them further
      // into each other.
      const bool bothThere = i != shot && j != shot && InPlay(cleaned[i]) && InPlay(cleaned[j]);
      const bool farOut = std::fabs(cleaned[i].x) + std::fabs(cleaned[i].y) > 1000.0f ||
                          std::fabs(cleaned[j].x) + std::fabs(cleaned[j].y) > 1000.0f;
      if (bothThere && farOut && distance >= Distance(cleaned[i], cleaned[j]) - 0.001) continue;
      std::fprintf(stderr, "stones %d (%g, %g) and %d (%g, %g)\n", i, after.stones[i].x,
                   after.stones[i].y, j, after.stones[j].x, after.stones[j].y);
      Fail("two stones at rest overlap", i);
    }
  }

  // The side to move owns the slots of the shot number's parity.
  const int evenSide = (shot % 2 == 0) ? side : 1 - side;
  const int score = Score(after.stones, evenSide);
  if (after.endScores[end] != score) Fail("the end's score is not the position's score");
  for (int e = 0; e < 10; ++e) {
    if (e != end && after.endScores[e] != before.endScores[e]) Fail("another end's score moved");
  }
  if (after.serverValue != before.serverValue) Fail("the server value changed");
  const unsigned char newSide = SideByte(after);
  if (shot < 15) {
    if (after.shotNumber != shot + 1 || after.endNumber != end) Fail("the shot did not advance");
    if (newSide != 1 - side) Fail("the side to move did not change");
  } else {
    if (after.shotNumber != 0 || after.endNumber != end + 1) Fail("the end did not advance");
    const int first = score > 0 ? 0 : score < 0 ? 1 : evenSide;
    if (newSide != first) Fail("the wrong side leads the next end");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  CurlingStateRecord record;
  if (in.ConsumeBool()) {
    unsigned char raw[sizeof record] = {};
    in.ConsumeData(raw, sizeof raw);
    std::memcpy(&record, raw, sizeof record);
  } else {
    std::memset(&record, 0, sizeof record);
    record.shotNumber = in.ConsumeIntegralInRange<int>(0, 15);
    record.endNumber = in.ConsumeIntegralInRange<int>(0, 9);
    record.serverValue = in.ConsumeIntegral<int>();
    for (int& s : record.endScores) s = in.ConsumeIntegralInRange<int>(-8, 8);
    SetSideByte(record, in.ConsumeIntegralInRange<unsigned char>(0, 1));
    for (StonePosition& s : record.stones) s = AnyStone(in);
  }

  for (int shot = 0; shot < 8 && in.remaining_bytes() > 0; ++shot) {
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0) {
      // Now and then a header outside the limits, on an otherwise good record.
      switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
          record.shotNumber = in.ConsumeIntegral<int>();
          break;
        case 1:
          record.endNumber = in.ConsumeIntegral<int>();
          break;
        default:
          SetSideByte(record, in.ConsumeIntegral<unsigned char>());
      }
    }
    const ShotVelocity release = AnyRelease(in);
    float noise;
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
      case 0:
        noise = 0.0f;
        break;
      case 1:
        noise = AnyFloat(in);
        break;
      default:
        noise = in.ConsumeFloatingPointInRange<float>(0.0f, 1.0f);
    }
    // Mostly reproducible seeds; a negative one uses the thread's own generator.
    const int seed = in.ConsumeIntegralInRange<int>(0, 7) == 0
                         ? -1 - in.ConsumeIntegral<std::uint16_t>()
                         : in.ConsumeIntegral<int>() & 0x7fffffff;

    // Records are copied byte for byte: a plain copy need not keep the padding bytes.
    CurlingStateRecord before;
    std::memcpy(&before, &record, sizeof record);
    ShotVelocity executed{};
    const int rc = Simulation(&record, release, noise, &executed, seed);
    CheckShot(before, record, rc);
    if (rc != 0) {
      if (in.ConsumeBool()) break;
      record.shotNumber = in.ConsumeIntegralInRange<int>(0, 15);  // back within the limits
      record.endNumber = in.ConsumeIntegralInRange<int>(0, 9);
      SetSideByte(record, in.ConsumeIntegralInRange<unsigned char>(0, 1));
      continue;
    }
    unsigned char curlByte;
    std::memcpy(&curlByte,
                reinterpret_cast<const unsigned char*>(&executed) + offsetof(ShotVelocity, curl),
                1);
    if (curlByte > 1) Fail("the executed release carries a curl byte other than 0 or 1");

    // The executed release replayed without noise gives the same position.
    CurlingStateRecord replay;
    std::memcpy(&replay, &before, sizeof before);
    ShotVelocity replayed{};
    if (Simulation(&replay, executed, 0.0f, &replayed, 0) != 0) Fail("the replay was refused");
    if (std::memcmp(&replay, &record, sizeof record) != 0) Fail("the replay differs");
    if (!SameRelease(replayed, executed)) {
      Fail("without noise the executed release is not the one asked");
    }
    if (seed >= 0) {
      CurlingStateRecord again;
      std::memcpy(&again, &before, sizeof before);
      if (Simulation(&again, release, noise, nullptr, seed) != 0 ||
          std::memcmp(&again, &record, sizeof record) != 0) {
        Fail("the same seed gave another position");
      }
    }
    if (record.endNumber >= 10) {  // the game is over: start another end so that shots go on
      record.endNumber = in.ConsumeIntegralInRange<int>(0, 9);
    }
  }
  return 0;
}
