#include "shots/shot_families.h"

#include <cmath>

#include "curling/position_analysis.h"

namespace Curling {

const double Pi = std::asin(0.5) * 6;

namespace {

// Offset of a freeze in front of its stone: three times 0.145 taken in single precision.
const double kFreezeOffset = 3.0 * static_cast<double>(0.145f);
// Distance of a raise target from its stone: 0.29 / 3 taken in single precision.
const double kRaizeRadius = static_cast<double>(static_cast<float>(0.29 / 3.0));

// Appends the two candidates of one target, in the given curl order.
void AddPair(CandidateList& list, const char* label, int power, double x, double y,
             bool firstCurl) {
  list.emplace_back(label, firstCurl, power, false, x, y);
  list.emplace_back(label, !firstCurl, power, false, x, y);
}

// Inside the house: d (a float) compared, widened, with the double radius.
bool InHouse(float d) {
  return static_cast<double>(d) <= kHouseRadius;
}

}  // namespace

float DistanceToTee(float x, float y) {
  const double dx = kTeeX - static_cast<double>(x);
  const double dy = kTeeY - static_cast<double>(y);
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

void FreeGuardFamily(const CurlingGameState&, CandidateList& list) {
  constexpr double kRadius = 3.3;
  // The x and y angles of targets 1 and 3 differ on purpose: they are not on the circle.
  AddPair(list, "FREE_GUARD1", kDrawPower, kTeeX + kRadius * std::cos(Pi * 4 * (1.0 / 9)),
          kTeeY + kRadius * std::sin(Pi * (1.0 / 3)), true);
  AddPair(list, "FREE_GUARD2", kDrawPower, kTeeX + kRadius * std::cos(Pi * 0.5),
          kTeeY + kRadius * std::sin(Pi * 0.5), true);
  AddPair(list, "FREE_GUARD3", kDrawPower, kTeeX + kRadius * std::cos(Pi * 10 * (1.0 / 18)),
          kTeeY + kRadius * std::sin(Pi * 2 * (1.0 / 3)), true);
}

void GuardFamily(const CurlingGameState& state, CandidateList& list) {
  for (const StonePosition& stone : StonesInPlay(state)) {
    const float d = DistanceToTee(stone.x, stone.y);
    if (InHouse(d) && static_cast<double>(stone.y) > kTeeY) {
      const float y = stone.y + d;  // summed in single precision
      AddPair(list, "GUARD", kDrawPower, stone.x, y, true);
    }
  }
}

void ComeAroundFamily(const CurlingGameState& state, CandidateList& list) {
  for (const StonePosition& stone : StonesInPlay(state)) {
    const float y = stone.y - 2.0f;  // single precision
    AddPair(list, "COME_AROUND", kDrawPower, stone.x, y, false);
  }
}

void FreezeFamily(const CurlingGameState& state, CandidateList& list) {
  for (const StonePosition& stone : StonesInPlay(state)) {
    if (!InHouse(DistanceToTee(stone.x, stone.y))) continue;
    AddPair(list, "FREEZE", kDrawPower, stone.x, static_cast<double>(stone.y) + kFreezeOffset,
            true);
  }
}

void RaizeFamily(const CurlingGameState& state, CandidateList& list) {
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

void TeeFamily(const CurlingGameState&, CandidateList& list) {
  AddPair(list, "TEE", kDrawPower, kTeeX, kTeeY, true);
}

void HouseFamily(const CurlingGameState&, CandidateList& list) {
  constexpr double kRadius = 0.8;
  const double angles[] = {Pi * (1.0 / 3), Pi * 0.5, Pi * 2 * (1.0 / 3)};
  for (const double theta : angles) {
    AddPair(list, "HOUSE", kDrawPower, kTeeX + kRadius * std::cos(theta),
            kTeeY + kRadius * std::sin(theta), true);
  }
}

}  // namespace Curling
