#include "search/eval/value_inputs.h"

#include <algorithm>

#include "search/eval/game_value.h"

namespace Curling {

ValueInputs ValueInputsOf(const CurlingGameState& state) {
  ValueInputs in;
  const auto radius = static_cast<float>(kHouseRadius);
  for (int slot = 0; slot < kStones; ++slot) {
    const StonePosition& stone = state.stones[slot];
    const auto s = static_cast<std::size_t>(slot);
    if (!InPlay(stone)) {
      in.groups[s] = -1;
      continue;
    }
    in.groups[s] = slot % 2 == 1 ? 0 : 1;
    in.stones[s] = {static_cast<float>((stone.x - kTeeX) / kHouseRadius),
                    static_cast<float>((stone.y - kTeeY) / kHouseRadius),
                    DistanceToTee(stone.x, stone.y) / radius};
  }
  std::size_t at = 0;
  const int shot = std::clamp(static_cast<int>(state.shotNumber), 0, kShotsPerEnd - 1);
  in.globals[at + static_cast<std::size_t>(shot)] = 1.0f;
  at += kShotsPerEnd;
  for (const double f : EndFeaturesOf(state)) in.globals[at++] = static_cast<float>(f);
  const int end = std::clamp(static_cast<int>(state.endNumber), 0, kEndSlots - 1);
  const int endsLeft = kEndSlots - 1 - end;
  in.globals[at++] = static_cast<float>(std::clamp(LeadOf(state, HammerSide(state)), -8, 8)) / 4.0f;
  in.globals[at++] = static_cast<float>(endsLeft) / 9.0f;
  in.globals[at++] = endsLeft == 0 ? 1.0f : 0.0f;
  return in;
}

}  // namespace Curling
