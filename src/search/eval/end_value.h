#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "curling/game_state.h"
#include "curling/sheet.h"

namespace Curling {

// What the expected score of an end in progress is read from, seen from the side with the hammer
// (the side that throws the odd slots): a constant, the running score, the closeness to the tee of
// each side's stones (a stone within 2 m of the tee counts 1 - distance / 2), each side's stones
// in the house, each side's centre guards (more than 2 m from the tee, in front of it, within 1 m
// of the centre line, less than 5 m up) and the owner of the shot stone (+1 the hammer's, -1 the
// other side's, 0 an empty house).
enum EndFeature : std::size_t {
  kConstant,
  kRunningScore,
  kHammerCloseness,
  kOtherCloseness,
  kHammerInHouse,
  kOtherInHouse,
  kHammerGuards,
  kOtherGuards,
  kShotStone,
  kEndFeatureCount
};
using EndFeatures = std::array<double, kEndFeatureCount>;

// The features of `state`, an end with shots still to play; the running score and the shot
// stone's owner come from the running score the simulator keeps in the record.
EndFeatures EndFeaturesOf(const CurlingGameState& state);

// The expected score of the end `state` is in, for `side`: the learned weights of its number of
// shots played (end_value_data.h) applied to its features. For an end with shots still to play
// (state.shotNumber 1 to 15; 0, a new end, counts as one shot played).
double ExpectedEndScore(const CurlingGameState& state, int side);

// Least squares with a ridge: the weights w minimising the sum over `rows` of (w . x - y)^2 plus
// `ridge` times the sum of the squared weights but the first (the constant's).
struct FitRow {
  EndFeatures x{};
  double y = 0.0;
};
EndFeatures FitEndWeights(const std::vector<FitRow>& rows, double ridge);

}  // namespace Curling
