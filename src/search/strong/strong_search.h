#pragma once

#include <random>
#include <vector>

#include "curling/game_state.h"
#include "search/core/search_config.h"
#include "search/core/search_result.h"
#include "search/eval/evaluator.h"
#include "search/strong/refinement.h"

namespace Curling {

// Where "Strong" looks ahead: from shot kFullLookAheadFrom of an end (its last three shots) every
// sample is played to the end of the end by the greedy policy, so the value is that of the end's
// outcome; before it the other side's greedy reply is played (kMidEndLookAhead shots) and the
// position then is valued by the search's evaluator (FittedEndEvaluator unless the configuration
// names another: the end's expected score learned from recorded games, or in the last ends the
// running score with a small weight for the stones near the tee):
// whether a shot leaves the other side an easy answer counts, at a tenth of the
// samples of no look-ahead. Two greedy shots (the reply and ours) did no better than none in
// matches against "Primitive", and left a twentieth of the samples: a mid-end choice among thirty
// releases then rested on a few dozen each.
inline constexpr int kFullLookAheadFrom = 13;
inline constexpr int kMidEndLookAhead = 1;

// The look-ahead of a sample of "Strong" from `state`, in shots after the root shot.
int LookAheadShots(const CurlingGameState& state);

// The last ends of a ten-end game, in which "Strong" plays for the chance of winning the game;
// before them it plays for the points of the end.
inline constexpr int kGameValueEnds = 2;

// The root releases of the "Strong" search for `state`: the shot families' candidates, then draws
// to a grid of targets in and in front of the house and hits on every stone in or near the house
// at powers 3, 5, 8 and 16, each with both curls; then screened: each played once without noise
// and valued by ScreenEvaluator, the 32 best kept. The families' diagnostics go to `log`.
KernelBandit StrongRootArms(const CurlingGameState& state, std::ostream& log);

// One sample of a release from `state`: the shot with noise 0.3 (its seed from `rng`), then, if
// the end goes on, the greedy policy for both sides for at most `lookAhead` shots (to the end of
// the end by default); returns the value of the outcome for the side to move by `evaluator` under
// `objective`, and stores the release the simulator executed.
double SampleRelease(const CurlingGameState& state, const ShotVelocity& release, std::mt19937& rng,
                     const Evaluator& evaluator, Objective objective, ShotVelocity& executed,
                     int lookAhead = kShotsPerEnd);

// "Strong": plays for the objective of the configuration or, unset, for the points of the end
// (kPoints) before the last kGameValueEnds ends of a ten-end game and for the game (kGame) in them.
// Every worker runs a kernel-regression bandit over the root arms (StrongRootArms) with progressive
// refinement around the leaders, sampling each release by SampleRelease with LookAheadShots'
// look-ahead and the configuration's evaluator (FittedEndEvaluator when it names none), until its
// time or its playout limit (samples) is spent; the workers run, are seeded and stop as every
// search's do (RunSearchWorkers, StopRule), their shared arms are merged in worker order and the
// best arm by its lower bound is played. One line of diagnostics on config.log.
SearchResult StrongSearch(const CurlingGameState& state, const SearchConfig& config);

}  // namespace Curling
