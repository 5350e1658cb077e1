#pragma once

#include <initializer_list>

#include "curling/game_state.h"

namespace Curling {

// A reset state with the given stones in slots 0, 1, ... and the rest at (0, 0).
inline CurlingGameState WithStones(std::initializer_list<StonePosition> stones) {
  CurlingGameState state;
  int slot = 0;
  for (const StonePosition& stone : stones) state.stones[slot++] = stone;
  return state;
}

}  // namespace Curling
