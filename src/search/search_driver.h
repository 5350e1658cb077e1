#pragma once

#include <cstdint>

#include "curling/game_state.h"
#include "search/search_config.h"
#include "search/tree.h"

namespace Curling {

// What a search driver hands back; the search tree itself never leaves the driver.
// - candidateCount: the root's children, that is the candidate shots of the position
// - playoutCount: the root's playouts after the merge: simulations ("Primitive") or iterations
//   ("UCT") of all workers together
// - best: a copy of the chosen child's shot (label included) and merged statistics
struct SearchResult {
  std::int32_t candidateCount = 0;
  std::uint32_t playoutCount = 0;
  Move<CurlingMoveState, UCTState> best;
};

// A search worker: runs on its own copies of the position and of the root until its time is up,
// and returns the root with the statistics it gathered (see workers.h).
using SearchWorker = Node (*)(CurlingGameState state, Node root, const SearchConfig& config);

// A search driver, as the experiment mode keeps them in its table.
using SearchDriver = SearchResult (*)(const CurlingGameState& state, const SearchConfig& config);

// Shuffles the root's children with a fresh generator of seed 5489 (the permutation depends on
// their number only), runs config.workers workers at once (kSearchWorkers by default), each
// started through config.launcher on its own copy of `state` and of the root, waits for them in
// order 0 to workers - 1, merging each one's statistics into the root, and returns the root.
// Blocks for about one time limit, whatever the system does:
// - a worker whose thread is refused does not run; the others are merged as usual, and when none
//   could start one runs on this thread instead. The line "search workers ran: R of N" on
//   config.log then says how many ran.
// - a worker that ends in an exception is left out of the merge, with the line
//   "search workers failed: F of R: <what the first one said>"; the search goes on.
// In a seeded search (config.seeded) this thread first draws each worker's seed from the
// process-wide generator, in worker order, into that worker's copy of the configuration
// (SearchConfig::workerSeed).
Node ParallelSearch(const CurlingGameState& state, Node root, SearchWorker worker,
                    const SearchConfig& config);

// "Primitive": flat Monte-Carlo over the candidate shots; best = the first child with the
// largest rate. This is the search that answers GO.
SearchResult PrimitiveSearch(const CurlingGameState& state, const SearchConfig& config);

// "UCT": UCT iterations through a growing tree; best = the first child with the most visits.
SearchResult UCTSearch(const CurlingGameState& state, const SearchConfig& config);

// The answer for a position without candidate shots (the search then runs no worker), and for a
// search whose every worker failed: a draw to the tee, "TEE", curl 1, with its release from the
// simulator.
Move<CurlingMoveState, UCTState> FallbackMove();

// Best-child rules: the first child whose value is strictly the largest (ties to the earliest).
// The root must have at least one child.
const Node& BestByRate(const Node& root);
const Node& BestByVisits(const Node& root);

}  // namespace Curling
