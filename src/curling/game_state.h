#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iosfwd>
#include <type_traits>

#include "curling_simulator.h"

namespace Curling {

// One position of one end: next shot, end, the score of every end, side to move and the sixteen
// stones. It is the simulator's exchange record itself (no member of its own is added), so a state
// is handed to Simulation by address, without copying, and copied byte for byte everywhere else.
struct CurlingGameState : CurlingStateRecord {
  CurlingGameState() : CurlingStateRecord{} {}

  // Every field zero: shot 0 of end 0, no score, side 0 to move, every stone at (0, 0).
  void Reset() { *this = CurlingGameState{}; }

  // The raw byte of sideToMove. Read through memcpy so that a byte other than 0 or 1 (a record
  // written outside the engine) can be detected without reading it as a bool.
  std::uint8_t SideByte() const {
    std::uint8_t byte;
    std::memcpy(&byte, &sideToMove, 1);
    return byte;
  }

  CurlingStateRecord* Record() { return this; }

  // Writes the text form (shot number, end number, scores, stones in play) to log.
  void PrintState(std::ostream& log) const;
};

static_assert(sizeof(CurlingGameState) == sizeof(CurlingStateRecord));
static_assert(sizeof(CurlingGameState) == 184);
static_assert(std::is_standard_layout_v<CurlingGameState>);
static_assert(std::is_trivially_copyable_v<CurlingGameState>);
static_assert(offsetof(CurlingGameState, shotNumber) == 0);
static_assert(offsetof(CurlingGameState, endNumber) == 4);
static_assert(offsetof(CurlingGameState, serverValue) == 8);
static_assert(offsetof(CurlingGameState, endScores) == 12);
static_assert(offsetof(CurlingGameState, sideToMove) == 52);
static_assert(offsetof(CurlingGameState, stones) == 56);

// Number of shots in an end and ends in a game, as the record holds them.
inline constexpr int kShotsPerEnd = 16;
inline constexpr int kEndSlots = 10;

// Number of stone slots in the record: eight stones for each side.
inline constexpr int kStones = 16;
static_assert(sizeof(CurlingStateRecord::stones) / sizeof(StonePosition) == kStones);

}  // namespace Curling
