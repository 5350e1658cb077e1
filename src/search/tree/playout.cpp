#include "search/tree/playout.h"

#include <cmath>
#include <limits>
#include <optional>

#include "shots/candidate_list.h"
#include "shots/random.h"

namespace Curling {

CurlingGameState ApplyShot(CurlingGameState state, const CurlingMoveState& shot) {
  Simulation(state.Record(), shot.velocity, kSimulationNoise, nullptr, -1);
  return state;
}

CurlingGameState ApplySeededShot(CurlingGameState state, const CurlingMoveState& shot,
                                 std::mt19937& rng) {
  Simulation(state.Record(), shot.velocity, kSimulationNoise, nullptr, DrawSimulationSeed(rng));
  return state;
}

CurlingGameState Playout(CurlingGameState state, std::mt19937& rng, std::ostream& log,
                         bool seededShots) {
  const int shotNumber = state.shotNumber;  // read once: the number of shots is fixed here
  if (shotNumber < 0 || shotNumber >= kPlayoutShotNumber) return state;
  for (int shot = shotNumber; shot < kPlayoutShotNumber; ++shot) {
    // The candidate list's drawn entry, without computing the releases of the others.
    const std::optional<CurlingMoveState> picked = DrawCandidate(state, rng, log);
    if (!picked) break;
    state = seededShots ? ApplySeededShot(state, *picked, rng) : ApplyShot(state, *picked);
  }
  return state;
}

int TruncateReward(double score) {
  constexpr double kLimit = std::numeric_limits<int>::max();
  if (std::isnan(score)) return 0;
  if (score >= kLimit) return std::numeric_limits<int>::max();
  if (score <= -kLimit) return -std::numeric_limits<int>::max();
  return static_cast<int>(score);  // truncates toward zero
}

}  // namespace Curling
