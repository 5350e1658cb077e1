#pragma once

#include <cstdint>
#include <memory>

#include "curling/game_state.h"
#include "search/core/search_config.h"
#include "shots/move_state.h"

namespace Curling {

// The shot a search chose and what its samples said of it:
// - shot: the release, with the target, label and power of the candidate or arm it came from
// - samples: the simulations through it (the tree searches) or the samples taken at it ("Strong")
// - total: the sum of their values; mean: the value the search holds it at (total / samples for
//   the tree searches, the kernel estimate for "Strong")
struct ChosenShot {
  CurlingMoveState shot;
  std::uint32_t samples = 0;
  double total = 0.0;
  double mean = 0.0;
};

// What a search hands back; its tree or bandit never leaves it.
// - candidateCount: the candidate shots of the position (the root arms for "Strong")
// - playoutCount: simulations ("Primitive"), iterations ("UCT") or samples ("Strong") of all
//   workers together
// - leftovers: what the search learned (the workers' trees), held so that it is freed when the
//   result is, after the answer is out: freeing a tree of a gigabyte takes a good part of a second
struct SearchResult {
  std::int32_t candidateCount = 0;
  std::uint32_t playoutCount = 0;
  ChosenShot best;
  std::shared_ptr<const void> leftovers{};
};

// A search: the position and the configuration in, the chosen shot out.
using SearchDriver = SearchResult (*)(const CurlingGameState& state, const SearchConfig& config);

// The answer for a position without candidate shots (the search then runs no worker), and for a
// search whose every worker failed: a draw to the tee, "TEE", curl 1, with its release from the
// simulator, and no samples.
ChosenShot FallbackShot();

}  // namespace Curling
