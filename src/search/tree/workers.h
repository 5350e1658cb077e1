#pragma once

#include <iosfwd>
#include <random>

#include "curling/game_state.h"
#include "search/core/search_config.h"
#include "search/tree/tree.h"

namespace Curling {

// The workers of the tree searches. Each takes the position and the root by value (it owns its
// copies), the root having the position's candidate list as its children and zero statistics; it
// makes its generator (WorkerGenerator) and starts its StopRule when it starts running, works
// until the rule stops it, and hands the root back with its statistics. Diagnostics go to
// config.log through a synchronised stream of the worker's own, so that workers running at the
// same time never interleave within a line. A root without children is handed back at once.
//
// Opt-in knobs of the configuration change this: with config.workerSeed the generator is seeded
// from it and every simulated shot gets a simulator seed drawn from that generator
// (ApplySeededShot), so that the worker repeats exactly; with config.settings.playoutLimit it stops
// after that many simulations ("Primitive", counted like the root's playouts, the last pass left
// midway) or iterations ("UCT") instead of on the clock.

// "Primitive": passes over the root's children in their order while time remains; each child is
// played once per pass (its shot, then a playout unless the shot ended the end), scored from the
// side to move in `state` and the reward recorded into it. The pass is left as soon as the time is
// negative. The tree stays one level deep.
Node PrimitiveWorker(CurlingGameState state, Node root, const SearchConfig& config);

// "UCT": UCTIteration from the root on a fresh copy of `state` while time remains, yielding the
// processor after each iteration; the tree (the root's children included) grows within the
// worker's share of config.settings.memoryBytes.
Node UCTWorker(CurlingGameState state, Node root, const SearchConfig& config);

// One UCT iteration below `node`, whose position is `state`:
// 1. s = SelectChild(node); next = the state after s's shot.
// 2. If the end goes on (shot number of next not 0): at s's first selection, a playout from next is
//    scored; later, s is expanded with the candidate list of next if it has no children, and the
//    iteration descends into it. An expansion without candidates leaves s to be scored as it
//    stands, next without further shots. With a `budget` that no longer fits a list, s is not
//    expanded: it stays a leaf, scored by a playout from next as at its first selection.
// 3. If s's shot ended the end, next is scored directly; s is never expanded.
// 4. The reward r (the score seen from the side to move in `state`, truncated toward zero) is
//    recorded into s; node's playouts and, on the leaf paths, s's go up by one.
// Returns -r, the value of the iteration for the side that chose `node`. `node` needs a child.
// With `seededShots` every shot of the iteration (its playout's included) is seeded from `rng`.
// Without a budget the tree grows without bound.
int UCTIteration(Node& node, CurlingGameState state, std::mt19937& rng, std::ostream& log,
                 bool seededShots = false, NodeBudget* budget = nullptr);

}  // namespace Curling
