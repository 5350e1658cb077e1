#include "shots/shot_families.h"

#include <cmath>

#include "curling/position_analysis.h"

namespace Curling {

const double Pi = std::asin(0.5) * 6;

namespace {

// Offset of a freeze in front of its stone: three times 0.145 taken in single precision.
const double kFreezeOffset = 3.0 * static_cast<double>(kStoneRadiusF);
// Distance of a raise target from its stone: 0.29 / 3 taken in single precision.
const double kRaizeRadius = static_cast<double>(static_cast<float>(0.29 / 3.0));

// Appends the two candidates of one target, in the given curl order. The families below are
// written once for both kinds of list: nodes (CandidateList) and targets (CandidateTargetList).
template <class List>
void AddPair(List& list, const char* label, int power, double x, double y, bool firstCurl) {
  list.emplace_back(label, firstCurl, power, false, x, y);
  list.emplace_back(label, !firstCurl, power, false, x, y);
}

// Inside the house: d (a float) compared, widened, with the double radius.
bool InHouse(float d) {
  return static_cast<double>(d) <= kHouseRadius;
}

template <class List>
void FreeGuardTargets(const CurlingGameState&, List& list) {
  constexpr double kRadius = 3.3;
  // The x and y angles of targets 1 and 3 differ on purpose: they are not on the circle.
  AddPair(list, "FREE_GUARD1", kDrawPower, kTeeX + kRadius * std::cos(Pi * 4 * (1.0 / 9)),
          kTeeY + kRadius * std::sin(Pi * (1.0 / 3)), true);
  AddPair(list, "FREE_GUARD2", kDrawPower, kTeeX + kRadius * std::cos(Pi * 0.5),
          kTeeY + kRadius * std::sin(Pi * 0.5), true);
  AddPair(list, "FREE_GUARD3", kDrawPower, kTeeX + kRadius * std::cos(Pi * 10 * (1.0 / 18)),
          kTeeY + kRadius * std::sin(Pi * 2 * (1.0 / 3)), true);
}

template <class List>
void GuardTargets(const CurlingGameState& state, List& list) {
  for (const StonePosition& stone : StonesInPlay(state)) {
    const float d = DistanceToTee(stone.x, stone.y);
    if (InHouse(d) && static_cast<double>(stone.y) > kTeeY) {
      const float y = stone.y + d;  // summed in single precision
      AddPair(list, "GUARD", kDrawPower, stone.x, y, true);
    }
  }
}

template <class List>
void ComeAroundTargets(const CurlingGameState& state, List& list) {
  for (const StonePosition& stone : StonesInPlay(state)) {
    const float y = stone.y - 2.0f;  // single precision
    AddPair(list, "COME_AROUND", kDrawPower, stone.x, y, false);
  }
}

template <class List>
void FreezeTargets(const CurlingGameState& state, List& list) {
  for (const StonePosition& stone : StonesInPlay(state)) {
    if (!InHouse(DistanceToTee(stone.x, stone.y))) continue;
    AddPair(list, "FREEZE", kDrawPower, stone.x, static_cast<double>(stone.y) + kFreezeOffset,
            true);
  }
}

template <class List>
void RaizeTargets(const CurlingGameState& state, List& list) {
  const double angles[] = {Pi * (1.0 / 6), Pi * 0.5, Pi * 5 * (1.0 / 6)};
  for (const StonePosition& stone : StonesInPlay(state)) {
    if (!InHouse(DistanceToTee(stone.x, stone.y))) continue;
    for (const double theta : angles) {
      AddPair(list, "RAIZE", kHitPower,
              static_cast<double>(stone.x) + kRaizeRadius * std::cos(theta),
              static_cast<double>(stone.y) + kRaizeRadius * std::sin(theta), true);
    }
  }
}

template <class List>
void TeeTargets(const CurlingGameState&, List& list) {
  AddPair(list, "TEE", kDrawPower, kTeeX, kTeeY, true);
}

template <class List>
void HouseTargets(const CurlingGameState&, List& list) {
  constexpr double kRadius = 0.8;
  const double angles[] = {Pi * (1.0 / 3), Pi * 0.5, Pi * 2 * (1.0 / 3)};
  for (const double theta : angles) {
    AddPair(list, "HOUSE", kDrawPower, kTeeX + kRadius * std::cos(theta),
            kTeeY + kRadius * std::sin(theta), true);
  }
}

}  // namespace

void FreeGuardFamily(const CurlingGameState& state, CandidateList& list) {
  FreeGuardTargets(state, list);
}

void GuardFamily(const CurlingGameState& state, CandidateList& list) {
  GuardTargets(state, list);
}

void ComeAroundFamily(const CurlingGameState& state, CandidateList& list) {
  ComeAroundTargets(state, list);
}

void FreezeFamily(const CurlingGameState& state, CandidateList& list) {
  FreezeTargets(state, list);
}

void RaizeFamily(const CurlingGameState& state, CandidateList& list) {
  RaizeTargets(state, list);
}

void TeeFamily(const CurlingGameState& state, CandidateList& list) {
  TeeTargets(state, list);
}

void HouseFamily(const CurlingGameState& state, CandidateList& list) {
  HouseTargets(state, list);
}

CandidateTarget::CandidateTarget(std::string_view label, bool curl, int power, bool flag, double x,
                                 double y)
    : label(label), curl(curl), power(power), flag(flag), x(x), y(y) {}

CurlingMoveState CandidateTarget::MakeShot() const {
  return CurlingMoveState(x, y, label, curl, power, flag);
}

void AppendFamilyTargets(ShotFamilyId id, const CurlingGameState& state,
                         CandidateTargetList& list) {
  switch (id) {
    case kFreeGuard:
      return FreeGuardTargets(state, list);
    case kGuard:
      return GuardTargets(state, list);
    case kComeAround:
      return ComeAroundTargets(state, list);
    case kFreeze:
      return FreezeTargets(state, list);
    case kRaize:
      return RaizeTargets(state, list);
    case kTee:
      return TeeTargets(state, list);
    case kHouse:
      return HouseTargets(state, list);
  }
}

}  // namespace Curling
