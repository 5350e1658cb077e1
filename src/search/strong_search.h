#pragma once

#include <random>
#include <vector>

#include "curling/game_state.h"
#include "search/refinement.h"
#include "search/search_config.h"
#include "search/search_driver.h"

namespace Curling {

// What the "Strong" search maximises: the chance of winning the game (the engine's choice) or the
// points of the end in progress (the tactics benchmark's measure).
enum class StrongObjective { kGame, kPoints };

// The value for the side to move in `before` of `closed`, a state whose end has just closed (or
// that the simulator stopped in): the change in the probability of winning the game (kGame,
// relative to the value of the end being blank) or the end's points for that side (kPoints).
double OutcomeValue(const CurlingGameState& before, const CurlingGameState& closed,
                    StrongObjective objective);

// The root releases of the "Strong" search for `state`: the shot families' candidates, then draws
// to a grid of targets in and in front of the house and hits on every stone in or near the house
// at powers 3, 5, 8, 12 and 16, each with both curls. The families' diagnostics go to `log`.
KernelBandit StrongRootArms(const CurlingGameState& state, std::ostream& log);

// One sample of a release from `state`: the shot with noise 0.3 (its seed from `rng`), then, if
// the end goes on, the greedy policy for both sides to the end of the end; returns the value of
// the outcome for the side to move and stores the release the simulator executed.
double SampleRelease(const CurlingGameState& state, const ShotVelocity& release, std::mt19937& rng,
                     StrongObjective objective, ShotVelocity& executed);

// "Strong": every worker runs a kernel-regression bandit over the root arms (StrongRootArms) with
// progressive refinement around the leaders, sampling each release by SampleRelease, until its
// time or its playout limit (samples) is spent; the workers' shared arms are merged in worker
// order and the best arm by its lower bound is played. Seeded like the other searches: with
// config.seeded each worker's generator is seeded from the process-wide generator in worker
// order. One line of diagnostics on config.log.
SearchResult StrongSearch(const CurlingGameState& state, const SearchConfig& config);

// StrongSearch with the objective chosen.
SearchResult StrongSearchFor(const CurlingGameState& state, const SearchConfig& config,
                             StrongObjective objective);

}  // namespace Curling
