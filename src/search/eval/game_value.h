#pragma once

#include "curling/game_state.h"

namespace Curling {

// Values of a position as the chance of winning the game. The table behind them
// (win_table_data.h) holds, for every number of ends left (0 to 10), lead (-15 to +15, larger
// leads count as 15) and whether the side has the last shot of the next end, the probability that
// the side wins a game of ten ends, a tie after the last end counting as half a win. It is made by
// tools/win_table from end-score distributions measured by seeded self-play (see docs/strength.md).

// Largest lead the table tells apart.
inline constexpr int kWinTableMaxLead = 15;

// The probability of winning with `endsLeft` ends still to play (clamped to 0 to 10), a lead of
// `lead` points and, when `hammer`, the last shot of the next end.
double WinProbability(int endsLeft, int lead, bool hammer);

// The lead of `side` over the other on the ends that `state` has closed (slots below its end
// number, at most ten).
int LeadOf(const CurlingGameState& state, int side);

// The probability that `side` wins the game from `after`, a state whose end has just closed (shot
// number 0): the ends left are those of a ten-end game after its end number, and the side that
// delivers first in the next end (the one that scored, or the first of a blank end) has no hammer.
// A game whose ten ends are played is worth 1 to the side ahead, 0 behind and 0.5 tied.
double GameValueAfterEnd(const CurlingGameState& after, int side);

}  // namespace Curling
