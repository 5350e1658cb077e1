#include "search/strong/rollout_policy.h"

#include <array>
#include <limits>

#include "curling/position_analysis.h"
#include "curling/sheet.h"
#include "search/core/search_config.h"
#include "search/eval/evaluator.h"
#include "shots/random.h"

namespace Curling {

namespace {

// Power of the policy's take-out and of its tap.
constexpr float kTakeOutPower = 16.0f;
constexpr float kTapPower = 5.0f;

}  // namespace

ShotVelocity GreedyRelease(const CurlingGameState& state) {
  const int toMove = SideToMove(state);
  std::array<ShotVelocity, 6> releases{};
  int count = 0;
  for (const bool curl : {true, false}) {
    CreateShot(ShotTarget{static_cast<float>(kTeeX), static_cast<float>(kTeeY), curl},
               &releases[count++]);
  }
  // The other side's stone nearest the tee, inside the house.
  int nearest = -1;
  float nearestDistance = kCountingRadiusF;
  for (int slot = 0; slot < kShotsPerEnd; ++slot) {
    const StonePosition& stone = state.stones[slot];
    if (!InPlay(stone) || SlotOwner(slot, state.shotNumber, toMove) == toMove) continue;
    const float distance = DistanceToTee(stone.x, stone.y);
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = slot;
    }
  }
  if (nearest >= 0) {
    const StonePosition& stone = state.stones[nearest];
    for (const bool curl : {true, false}) {
      CreateHitShot(ShotTarget{stone.x, stone.y, curl}, kTakeOutPower, &releases[count++]);
      CreateHitShot(ShotTarget{stone.x, stone.y, curl}, kTapPower, &releases[count++]);
    }
  }
  int best = 0;
  int bestScore = std::numeric_limits<int>::min();
  for (int i = 0; i < count; ++i) {
    CurlingGameState after = state;
    if (Simulation(after.Record(), releases[i], 0.0f, nullptr, 0) != 0) continue;
    const int score = EndScoreFor(state, after, toMove);
    if (score > bestScore) {
      bestScore = score;
      best = i;
    }
  }
  return releases[best];
}

CurlingGameState PlayOutEnd(CurlingGameState state, std::mt19937& rng, int maxShots) {
  for (int played = 0; state.shotNumber != 0 && played < maxShots; ++played) {
    const ShotVelocity release = GreedyRelease(state);
    if (Simulation(state.Record(), release, kSimulationNoise, nullptr, DrawSimulationSeed(rng)) !=
        0) {
      break;
    }
  }
  return state;
}

}  // namespace Curling
