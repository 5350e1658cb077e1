#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <random>

#include "curling/game_state.h"
#include "curling_simulator.h"
#include "search/core/search_config.h"
#include "search/core/search_result.h"

namespace Curling {

// A search that plays shot after shot of self-play and repeats exactly: one seeded worker that
// stops after `playouts` simulations, iterations or samples (SearchSettings::playoutLimit), never
// on the clock.
// - evaluator, objective: passed to the search as SearchConfig's; unset, the search's own choice
struct SeededPlayer {
  SearchDriver driver;
  std::uint32_t playouts;
  const Evaluator* evaluator = nullptr;
  std::optional<Objective> objective{};
};

// The player's release in `state`, the process-wide generator seeded from `seed` first.
ShotVelocity SeededRelease(const SeededPlayer& player, const CurlingGameState& state,
                           std::uint32_t seed, std::ostream& log);

// Plays the player's shot onto `state` with execution noise `noise`: the search's seed and the
// simulator's are the next two outputs of `rng`. False when the simulator refused the release.
bool PlaySeededShot(const SeededPlayer& player, CurlingGameState& state, float noise,
                    std::mt19937& rng, std::ostream& log);

}  // namespace Curling
