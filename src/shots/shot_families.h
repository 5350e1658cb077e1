#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "curling/game_state.h"
#include "curling/sheet.h"
#include "shots/candidate_node.h"
#include "shots/move_state.h"

namespace Curling {

// Pi as asin(0.5) * 6, computed once before main runs; the families take all their angles from it.
extern const double Pi;

// Power of every hit the engine makes, and the power that marks a draw.
inline constexpr int kHitPower = 16;
inline constexpr int kDrawPower = -1;

// A shot family: appends its candidate nodes for `state` to the end of `list`, never touching what
// is already there. Families keep no state; every candidate costs one simulator call.
using ShotFamily = void (*)(const CurlingGameState& state, CandidateList& list);

// Six draws in front of the house, "FREE_GUARD1" to "FREE_GUARD3", curl 1 then 0. Only the second
// target lies on the circle of 3.3 around the tee (straight in front of it); the first and third
// take x from the angles 80 and 100 degrees but y from 60 and 120 degrees on that radius, so they
// lie off the circle.
void FreeGuardFamily(const CurlingGameState& state, CandidateList& list);
// Per stone in the house with y above the tee line: two draws "GUARD" at distance-to-tee beyond it.
void GuardFamily(const CurlingGameState& state, CandidateList& list);
// Per stone in play: two draws "COME_AROUND" 2.0 behind it, curl 0 then 1.
void ComeAroundFamily(const CurlingGameState& state, CandidateList& list);
// Per stone in the house: two draws "FREEZE" just in front of it.
void FreezeFamily(const CurlingGameState& state, CandidateList& list);
// Per stone in the house: six hits "RAIZE" at power 16 just off it at 30, 90 and 150 degrees.
void RaizeFamily(const CurlingGameState& state, CandidateList& list);
// Two draws "TEE" to the tee.
void TeeFamily(const CurlingGameState& state, CandidateList& list);
// Six draws "HOUSE" on a circle of 0.8 around the tee, at 60, 90 and 120 degrees.
void HouseFamily(const CurlingGameState& state, CandidateList& list);

// Position of each family in ShotFamilyTable.
enum ShotFamilyId : int {
  kFreeGuard = 0,
  kGuard = 1,
  kComeAround = 2,
  kFreeze = 3,
  kRaize = 4,
  kTee = 5,
  kHouse = 6,
};

// A candidate as a family appends it, before its release is computed: the arguments of a
// candidate node, kept as they are. A list of these, run through the same families, matches the
// CandidateList of the same state entry for entry, so a playout that plays one candidate can
// compute that one release only (MakeShot).
struct CandidateTarget {
  std::string_view label;  // one of the families' string literals
  bool curl;
  int power;
  bool flag;
  double x;
  double y;

  CandidateTarget(std::string_view label, bool curl, int power, bool flag, double x, double y);

  // The shot that the candidate node made of the same arguments holds: one simulator call.
  CurlingMoveState MakeShot() const;
};
using CandidateTargetList = std::vector<CandidateTarget>;

// Runs the family `id` on `state` as ShotFamilyTable[id] does, appending targets instead of nodes.
void AppendFamilyTargets(ShotFamilyId id, const CurlingGameState& state, CandidateTargetList& list);

// The seven families in their fixed order.
inline constexpr std::array<ShotFamily, 7> ShotFamilyTable = {
    FreeGuardFamily, GuardFamily, ComeAroundFamily, FreezeFamily,
    RaizeFamily,     TeeFamily,   HouseFamily,
};

}  // namespace Curling
