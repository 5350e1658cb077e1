#pragma once

#include <cstdint>

#include "curling/game_state.h"
#include "search/core/search_config.h"
#include "search/core/search_result.h"
#include "search/tree/tree.h"

namespace Curling {

// A search worker: runs on its own copies of the position and of the root until its time is up,
// and returns the root with the statistics it gathered (see workers.h).
using SearchWorker = Node (*)(CurlingGameState state, Node root, const SearchConfig& config);

// Shuffles the root's children with a fresh generator of seed 5489 (the permutation depends on
// their number only), runs config.settings.workers workers at once (kSearchWorkers by default),
// each started through config.launcher on its own copy of `state` and of the root, waits for them
// in order 0 to workers - 1, merging each one's statistics into the root, and returns the root. The
// workers are run by RunSearchWorkers: seeded in worker order, a refused thread's worker left out
// ("search workers ran: R of N"), a failed one left out of the merge ("search workers failed: F of
// R: <what the first one said>"); the search blocks for about one time limit and goes on.
Node ParallelSearch(const CurlingGameState& state, Node root, SearchWorker worker,
                    const SearchConfig& config);

// "Primitive": flat Monte-Carlo over the candidate shots; best = the first child with the
// largest rate. This is the search that answers GO.
SearchResult PrimitiveSearch(const CurlingGameState& state, const SearchConfig& config);

// "UCT": UCT iterations through a growing tree; best = the first child with the most visits.
SearchResult UCTSearch(const CurlingGameState& state, const SearchConfig& config);

// Best-child rules: the first child whose value is strictly the largest (ties to the earliest).
// The root must have at least one child.
const Node& BestByRate(const Node& root);
const Node& BestByVisits(const Node& root);

}  // namespace Curling
