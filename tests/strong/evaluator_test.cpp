// The evaluators behind the one seam: how they agree where the end is over, and whose side a value
// is for.
#include <gtest/gtest.h>

#include "curling/sheet.h"
#include "search/eval/evaluator.h"

namespace Curling {
namespace {

// Side 0 to move at shot 12 of end 3, 2 points up; side 0 has stones on slots 0 and 2 (one on the
// button, one in front of the house), side 1 one in the house.
CurlingGameState MidEnd() {
  CurlingGameState state;
  state.shotNumber = 12;
  state.endNumber = 3;
  state.endScores[0] = 2;
  state.stones[0] = StonePosition{static_cast<float>(kTeeX), static_cast<float>(kTeeY)};
  state.stones[2] = StonePosition{static_cast<float>(kTeeX), static_cast<float>(kTeeY + 3.0)};
  state.stones[1] = StonePosition{static_cast<float>(kTeeX + 1.0), static_cast<float>(kTeeY)};
  return state;
}

TEST(Evaluators, AgreeOnAClosedEndAndAreForTheSideAsked) {
  const CurlingGameState before = MidEnd();
  CurlingGameState closed = before;  // the end closed with 2 for side 1
  closed.shotNumber = 0;
  closed.endNumber = 4;
  closed.endScores[3] = -2;
  CurlingGameState goesOn = before;  // a shot later, side 0 sitting one
  goesOn.shotNumber = 13;
  goesOn.sideToMove = true;
  goesOn.endScores[3] = 1;

  for (const Objective objective : {Objective::kPoints, Objective::kGame}) {
    // Where the end closed, the fitted value has nothing to add to the outcome.
    EXPECT_DOUBLE_EQ(FittedEndEvaluator().Value(before, closed, 1, objective),
                     EndOutcomeEvaluator().Value(before, closed, 1, objective));
    // What one side gains by points, the other loses.
    EXPECT_GT(EndOutcomeEvaluator().Value(before, closed, 1, objective), 0.0);
    EXPECT_LT(EndOutcomeEvaluator().Value(before, closed, 0, objective), 0.0);
  }
  EXPECT_EQ(EndOutcomeEvaluator().Value(before, closed, 1, Objective::kPoints), 2.0);
  EXPECT_EQ(EndOutcomeEvaluator().Value(before, goesOn, 0, Objective::kPoints), 1.0);
  // The screen values the shot for the side that played it, and the reverse for the other.
  const double screen = ScreenEvaluator().Value(before, goesOn, 0, Objective::kPoints);
  EXPECT_GT(screen, 10.0);  // the point, the stone on the button, the centre guard
  EXPECT_EQ(ScreenEvaluator().Value(before, goesOn, 1, Objective::kGame), -screen);
  // Stones near the tee: side 0's on the button against side 1's a metre out.
  EXPECT_NEAR(Closeness(before, 0), 1.0 - 0.5, 1e-6);
  EXPECT_EQ(Closeness(before, 1), -Closeness(before, 0));
}

}  // namespace
}  // namespace Curling
