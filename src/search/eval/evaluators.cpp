#include <algorithm>
#include <cmath>
#include <cstddef>

#include "curling/sheet.h"
#include "search/eval/end_value.h"
#include "search/eval/evaluator.h"
#include "search/eval/game_value.h"

namespace Curling {

namespace {

// The change in the chance of winning for `side` when the end `before` is in closes with `points`
// for it, plus `extra` points counted at the table's slope there, plus kGamePointsWeight times
// the points and the extra.
double WinChange(const CurlingGameState& before, int side, int points, double extra) {
  const int endsLeft = kEndSlots - std::clamp(before.endNumber, 0, kEndSlots - 1) - 1;
  const int lead = LeadOf(before, side);
  const bool hammerNow = HammerSide(before) == side;
  const bool hammerNext = HammerNextEnd(points, hammerNow);
  const double slope = (WinProbability(endsLeft, lead + points + 1, hammerNext) -
                        WinProbability(endsLeft, lead + points - 1, hammerNext)) /
                       2.0;
  return WinProbability(endsLeft, lead + points, hammerNext) + extra * slope -
         WinProbability(endsLeft, lead, hammerNow) + kGamePointsWeight * (points + extra);
}

class EndOutcome final : public Evaluator {
 public:
  double Value(const CurlingGameState& before, const CurlingGameState& after, int side,
               Objective objective) const override {
    const int points = EndScoreFor(before, after, side);
    return objective == Objective::kPoints ? points : WinChange(before, side, points, 0.0);
  }
};

class FittedEnd final : public Evaluator {
 public:
  double Value(const CurlingGameState& before, const CurlingGameState& after, int side,
               Objective objective) const override {
    const int points = EndScoreFor(before, after, side);
    const bool goesOn = EndGoesOn(before, after);
    if (objective == Objective::kPoints) {
      return goesOn ? ExpectedEndScore(after, side) : points;
    }
    const double extra = goesOn ? kClosenessWeight * Closeness(after, side) : 0.0;
    return WinChange(before, side, points, extra);
  }
};

// Ten times the running score, plus for each stone near the house its closeness to the tee
// (positive for the mover's stones and negative for the other side's), and 0.3 for a guard of the
// mover's in front of the house before shot 12; for the side to move in `before`, negated for the
// other side.
class Screen final : public Evaluator {
 public:
  double Value(const CurlingGameState& before, const CurlingGameState& after, int side,
               Objective /*objective*/) const override {
    const int mover = SideToMove(before);
    const double value = MoverValue(before, after, mover);
    return side == mover ? value : -value;
  }

 private:
  static double MoverValue(const CurlingGameState& before, const CurlingGameState& after,
                           int mover) {
    double value = 10.0 * EndScoreFor(before, after, mover);
    if (after.shotNumber == 0) return value;  // the end is over: its score is all there is
    // After the shot the other side is to move: the mover's slots have the other parity.
    for (int slot = 0; slot < kStones; ++slot) {
      const StonePosition& stone = after.stones[slot];
      if (!InPlay(stone)) continue;
      const bool mine = (slot % 2) != (after.shotNumber % 2);
      double worth = TeeCloseness(DistanceToTee(stone.x, stone.y));
      // A guard in front of the house is worth something while shots remain to come around it.
      if (worth == 0.0 && after.shotNumber < 12 && InCentreGuardZone(stone)) worth = 0.3;
      value += mine ? worth : -worth;
    }
    return value;
  }
};

}  // namespace

const Evaluator& EndOutcomeEvaluator() {
  static const EndOutcome evaluator;
  return evaluator;
}

const Evaluator& FittedEndEvaluator() {
  static const FittedEnd evaluator;
  return evaluator;
}

const Evaluator& ScreenEvaluator() {
  static const Screen evaluator;
  return evaluator;
}

double LearnedEndEvaluator::Value(const CurlingGameState& before, const CurlingGameState& after,
                                  int side, Objective objective) const {
  if (!EndGoesOn(before, after)) return EndOutcomeEvaluator().Value(before, after, side, objective);
  const ScoreDistribution p = net_.Distribution(after);
  const bool hammer = HammerSide(after) == side;
  if (objective == Objective::kPoints) {
    const double expected = ExpectedScore(p);
    return hammer ? expected : -expected;
  }
  double value = 0.0;  // the net's score is the end's whole score, the running score included
  for (std::size_t k = 0; k < kValueOutputs; ++k) {
    const int hammerScore = static_cast<int>(k) - kValueMaxScore;
    value += p[k] * WinChange(before, side, hammer ? hammerScore : -hammerScore, 0.0);
  }
  return value;
}

std::shared_ptr<const LearnedEndEvaluator> LoadLearnedEvaluator(const std::string& path,
                                                                std::string& error) {
  ValueNetLoad load = path.empty() ? DefaultValueNet() : LoadValueNetFile(path);
  if (!load.net) {
    error = load.error;
    return nullptr;
  }
  return std::make_shared<const LearnedEndEvaluator>(std::move(*load.net));
}

int EndScoreFor(const CurlingGameState& before, const CurlingGameState& after, int side) {
  const int slot = before.endNumber;
  if (slot < 0 || slot >= kEndSlots) return 0;
  const int score = after.endScores[slot];
  return side == 0 ? score : -score;
}

double TeeCloseness(double distance) {
  return std::max(0.0, 1.0 - distance / 2.0);
}

double Closeness(const CurlingGameState& state, int side) {
  const int toMove = SideToMove(state);
  double total = 0.0;
  for (int slot = 0; slot < kStones; ++slot) {
    const StonePosition& stone = state.stones[slot];
    if (!InPlay(stone)) continue;
    const double worth = TeeCloseness(DistanceToTee(stone.x, stone.y));
    total += SlotOwner(slot, state.shotNumber, toMove) == side ? worth : -worth;
  }
  return total;
}

}  // namespace Curling
