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

// Where "Strong" looks ahead: from shot kFullLookAheadFrom of an end (its last three shots) every
// sample is played to the end of the end by the greedy policy, so the value is that of the end's
// outcome; before it the other side's greedy reply is played (kMidEndLookAhead shots) and the
// position then is valued as OutcomeValue says (the end's expected score learned from recorded
// games, or in the last ends the running score with a small weight for the stones near the tee):
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

// Weight of Closeness in the game value of a position whose end goes on, in points.
inline constexpr double kClosenessWeight = 0.2;

// Weight of the end's points (with the closeness above) beside the change in the chance of winning
// in the game value: where the game is decided (a lead the table puts at a certain win or loss)
// every shot is worth the same chance, and without it the search would play at random there and
// give points away; small enough that a choice the chance of winning tells apart by more than a
// few hundredths is unchanged.
inline constexpr double kGamePointsWeight = 0.02;

// The stones of `side` near the tee against the other side's in `state`: each stone within 2 m of
// the tee counts 1 - distance / 2, positive for `side` and negative for the other.
double Closeness(const CurlingGameState& state, int side);

// The value for the side to move in `before` of `closed`, a state whose end has just closed or
// where the look-ahead stopped: the end's points for that side (kPoints; where the end goes on,
// the end's expected score learned from recorded games, ExpectedEndScore), or the change in the
// probability of winning the game (kGame, relative to the value of the end being blank, plus
// kGamePointsWeight times the points; where the end goes on, its running score counts as the
// end's score and kClosenessWeight * Closeness is added at the table's slope there).
double OutcomeValue(const CurlingGameState& before, const CurlingGameState& closed,
                    StrongObjective objective);

// A quick static value of `after`, one shot after `before`, for the side that played it: ten
// times the running score, plus for each stone near the house its closeness to the tee (up to 1,
// positive for the mover's stones and negative for the other side's), and 0.3 for a guard of the
// mover's in front of the house before shot 12.
double ScreenValue(const CurlingGameState& before, const CurlingGameState& after);

// The root releases of the "Strong" search for `state`: the shot families' candidates, then draws
// to a grid of targets in and in front of the house and hits on every stone in or near the house
// at powers 3, 5, 8 and 16, each with both curls; then screened: each played once without noise
// and valued by ScreenValue, the 32 best kept. The families' diagnostics go to `log`.
KernelBandit StrongRootArms(const CurlingGameState& state, std::ostream& log);

// One sample of a release from `state`: the shot with noise 0.3 (its seed from `rng`), then, if
// the end goes on, the greedy policy for both sides for at most `lookAhead` shots (to the end of
// the end by default); returns the value of the outcome for the side to move and stores the
// release the simulator executed.
double SampleRelease(const CurlingGameState& state, const ShotVelocity& release, std::mt19937& rng,
                     StrongObjective objective, ShotVelocity& executed,
                     int lookAhead = kShotsPerEnd);

// "Strong": plays for the points of the end (kPoints) before the last kGameValueEnds ends of a
// ten-end game and for the game (kGame) in them. Every
// worker runs a kernel-regression bandit over the root arms (StrongRootArms) with
// progressive refinement around the leaders, sampling each release by SampleRelease with
// LookAheadShots' look-ahead, until its
// time or its playout limit (samples) is spent; the workers' shared arms are merged in worker
// order and the best arm by its lower bound is played. Seeded like the other searches: with
// config.seeded each worker's generator is seeded from the process-wide generator in worker
// order. One line of diagnostics on config.log.
SearchResult StrongSearch(const CurlingGameState& state, const SearchConfig& config);

// StrongSearch with the objective chosen.
SearchResult StrongSearchFor(const CurlingGameState& state, const SearchConfig& config,
                             StrongObjective objective);

}  // namespace Curling
