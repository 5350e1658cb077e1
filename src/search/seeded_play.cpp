#include "search/seeded_play.h"

#include "shots/random.h"

namespace Curling {

namespace {

// Long enough that the playout limit always stops the search first.
constexpr std::int64_t kSeededLimitMs = 600000;

}  // namespace

ShotVelocity SeededRelease(const SeededPlayer& player, const CurlingGameState& state,
                           std::uint32_t seed, std::ostream& log) {
  SeedProcessGenerator(seed);
  SearchConfig config{log};
  config.settings.limitMs = kSeededLimitMs;
  config.settings.playoutLimit = player.playouts;
  config.settings.workers = 1;
  config.settings.seeded = true;
  config.settings.evaluator = player.evaluator;
  config.objective = player.objective;
  return player.driver(state, config).best.shot.velocity;
}

bool PlaySeededShot(const SeededPlayer& player, CurlingGameState& state, float noise,
                    std::mt19937& rng, std::ostream& log) {
  const ShotVelocity release = SeededRelease(player, state, rng(), log);
  return Simulation(state.Record(), release, noise, nullptr, DrawSimulationSeed(rng)) == 0;
}

}  // namespace Curling
