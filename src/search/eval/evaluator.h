#pragma once

#include <memory>
#include <string>
#include <utility>

#include "curling/game_state.h"
#include "search/eval/value_net.h"

namespace Curling {

// The one seam through which a search values positions. A search plays one or more shots from
// `before` (the position it chooses a shot for) and asks an evaluator what `after`, the state it
// reached, is worth to a side under an objective. The end may have closed between the two
// (after.shotNumber 0 and the end number moved on) or still go on.

// What a value measures: the points of the end in progress for the side, or the change in its
// chance of winning the game (the win table) from `before` to `after`.
enum class Objective { kPoints, kGame };

// An evaluator: a stateless rule, shared by every worker of a search at once.
class Evaluator {
 public:
  virtual ~Evaluator() = default;

  // The value for `side` (0 or 1) of `after`, reached from `before`, under `objective`.
  virtual double Value(const CurlingGameState& before, const CurlingGameState& after, int side,
                       Objective objective) const = 0;
};

// The evaluators of this engine:
// - EndOutcomeEvaluator: the end's outcome. The running score of the end `before` is in, read
//   from `after`, counts as the end's score (kPoints), and the chance of winning changes by it as
//   if the end closed with it (kGame).
// - FittedEndEvaluator: where the end goes on, the fitted mid-end value (ExpectedEndScore) stands
//   for the end's score (kPoints), and under kGame the running score counts with the stones near
//   the tee (kClosenessWeight) at the win table's slope; where it closed, the end's outcome. What
//   "Strong" values its samples by.
// - LearnedEndEvaluator: like FittedEndEvaluator, with a learned network (ValueNet) where the end
//   goes on: its expected score for the side (kPoints), and under kGame the change in the chance
//   of winning averaged over its distribution of the end's score; where the end closed, the end's
//   outcome. What "Strong" values its samples by with the engine's --eval learned.
// - ScreenEvaluator: a quick static value after one shot for the side that played it (the
//   objective is not looked at); what "Strong" screens its root releases by.
const Evaluator& EndOutcomeEvaluator();
const Evaluator& FittedEndEvaluator();
const Evaluator& ScreenEvaluator();

// The learned evaluator, which owns its network; built once by the engine (or a caller that wants
// a network other than DefaultValueNet) and kept for as long as searches use it.
class LearnedEndEvaluator final : public Evaluator {
 public:
  explicit LearnedEndEvaluator(ValueNet net) : net_(std::move(net)) {}

  double Value(const CurlingGameState& before, const CurlingGameState& after, int side,
               Objective objective) const override;

  const ValueNet& Net() const { return net_; }

 private:
  ValueNet net_;
};

// The learned evaluator of the weights file at `path`, or of the compiled-in network
// (DefaultValueNet) when `path` is empty; null, with the loader's reason in `error`, for a file
// that is missing or damaged.
std::shared_ptr<const LearnedEndEvaluator> LoadLearnedEvaluator(const std::string& path,
                                                                std::string& error);

// The running score of the end that `before` is in, read from `after` (the state one or more shots
// later, possibly with the end closed), seen from `side`: positive when `side` leads. 0 for an end
// number outside the score table.
int EndScoreFor(const CurlingGameState& before, const CurlingGameState& after, int side);

// Whether the end that `before` is in still goes on in `after`.
inline bool EndGoesOn(const CurlingGameState& before, const CurlingGameState& after) {
  return after.shotNumber != 0 && after.endNumber == before.endNumber;
}

// What a stone `distance` from the tee is worth to its side: 1 - distance / 2 within 2 m of the
// tee, 0 beyond.
double TeeCloseness(double distance);

// The stones of `side` near the tee against the other side's in `state`: TeeCloseness of each
// stone in play, positive for `side` and negative for the other.
double Closeness(const CurlingGameState& state, int side);

// Weight of Closeness in the game value of a position whose end goes on, in points.
inline constexpr double kClosenessWeight = 0.2;

// Weight of the end's points (with the closeness above) beside the change in the chance of winning
// in the game value: where the game is decided (a lead the table puts at a certain win or loss)
// every shot is worth the same chance, and without it a search would play at random there and
// give points away; small enough that a choice the chance of winning tells apart by more than a
// few hundredths is unchanged.
inline constexpr double kGamePointsWeight = 0.02;

}  // namespace Curling
