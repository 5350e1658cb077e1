#pragma once

#include <cmath>

#include "curling/game_state.h"
#include "curling_sim/sheet.h"

namespace Curling {

// The sheet as the engine reads a position: the simulator's fixed points, and who owns which
// stone. Every part of the engine, the match runner and the Python module take them from here.

// The tee, the radius of the house and of a stone, in sheet metres.
inline constexpr double kTeeX = curling_sim::kTeeX;
inline constexpr double kTeeY = curling_sim::kTeeY;
inline constexpr double kHouseRadius = curling_sim::kHouseRadius;
inline constexpr double kStoneRadius = curling_sim::kStoneRadius;

// The stone's radius in single precision, as the shot families and the evaluations add it.
inline constexpr float kStoneRadiusF = static_cast<float>(kStoneRadius);
static_assert(kStoneRadiusF == 0.145f);

// A stone counts when its centre is this far from the tee or closer (it touches the house):
// summed in single precision, as distances to the tee are.
inline constexpr float kCountingRadiusF = static_cast<float>(kHouseRadius) + kStoneRadiusF;

// Distance of (x, y) from the tee: computed in double precision, rounded to single precision.
float DistanceToTee(float x, float y);

// A stone is in play unless both its coordinates are 0 or below.
inline bool InPlay(StonePosition p) {
  return !(p.x <= 0.0f && p.y <= 0.0f);
}

// Whether a stone lies in the centre guard zone: in front of the tee and less than 5 m up the
// sheet, within 1 m of the centre line (the caller says how far from the tee a guard must be).
inline bool InCentreGuardZone(StonePosition p) {
  const double across = p.x - kTeeX;
  return p.y > kTeeY && p.y < kTeeY + 5.0 && std::abs(across) < 1.0;
}

// The side to move: side 1 for any side byte other than 0.
inline int SideToMove(const CurlingGameState& state) {
  return state.SideByte() != 0 ? 1 : 0;
}

// The side that owns slot `slot` of an end whose shot `shotNumber` is thrown by `toMove`: the side
// to move throws the slots of the shot number's parity.
inline int SlotOwner(int slot, int shotNumber, int toMove) {
  return (slot % 2 == shotNumber % 2) ? toMove : 1 - toMove;
}

// The side that throws the last shot of the end `state` is in: the side to move throws the next
// slot, and the hammer throws the odd ones.
inline int HammerSide(const CurlingGameState& state) {
  return SlotOwner(1, state.shotNumber, SideToMove(state));
}

// Whether a side that holds the hammer (`hammerNow`) and scores `points` in the end (negative:
// the other side scored) holds it in the next end: the scorer gives it up; after a blank end it
// stays.
inline bool HammerNextEnd(int points, bool hammerNow) {
  return points > 0 ? false : (points < 0 ? true : hammerNow);
}

}  // namespace Curling
