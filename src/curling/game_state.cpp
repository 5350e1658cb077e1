#include "curling/game_state.h"

#include <ostream>

#include "curling/position_analysis.h"

namespace Curling {

void CurlingGameState::PrintState(std::ostream& log) const {
  log << "current_shot_number : " << shotNumber << " ;  " << std::endl;
  log << "current_end_number : " << endNumber << std::endl;
  log << "Score : ";
  for (int score : endScores) log << score << ", ";
  log << std::endl;
  log << "Position : " << std::endl;
  for (const StonePosition& stone : StonesInPlay(*this)) {
    log << stone.x << ", " << stone.y << std::endl;
  }
}

}  // namespace Curling
