#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "curling/game_state.h"
#include "curling/sheet.h"
#include "search/eval/end_value.h"

namespace Curling {

// What the learned value of a position reads, seen from the side with the hammer (the side that
// throws the odd slots), for a position with shots still to play in its end (shot number 0 to
// 15). The same encoding feeds training (through the Python module) and the engine, so that the
// two cannot drift apart.
//
// Each stone in play gives three numbers, in house radii: its offset from the tee across and along
// the sheet, and its distance from the tee. Its group says whose it is: 0 the hammer's (an odd
// slot), 1 the other side's; a slot out of play has group -1 and zero features.
//
// The position as a whole gives kValueGlobalInputs numbers:
// - 16: the shot number, one-hot (0 to 15)
// - 9: the fitted mid-end value's features (EndFeaturesOf), which include the end's running score
// - the lead of the side with the hammer over the ends before this one, clamped to -8 to 8, / 4
// - the ends left after this one (0 to 9) / 9
// - 1 in the game's last end, else 0
inline constexpr std::size_t kValueStoneInputs = 3;
inline constexpr std::size_t kValueGlobalInputs = kShotsPerEnd + kEndFeatureCount + 3;

struct ValueInputs {
  std::array<std::array<float, kValueStoneInputs>, kStones> stones{};
  std::array<std::int8_t, kStones> groups{};
  std::array<float, kValueGlobalInputs> globals{};
};

ValueInputs ValueInputsOf(const CurlingGameState& state);

}  // namespace Curling
