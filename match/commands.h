#pragma once

#include <string>

#include "curling_simulator.h"

namespace Match {

// The texts the runner sends to an engine, each written as one command in one write, without a
// line terminator.
inline constexpr const char* kIsReady = "ISREADY";
inline constexpr const char* kGo = "GO";
inline constexpr const char* kGameOver = "GAMEOVER";

// "POSITION" and the 32 coordinates x0 y0 ... x15 y15. Each coordinate has nine significant
// digits, enough for the engine to get back the exact float; a coordinate that is not finite is
// sent as 0 (out of play).
std::string FormatPosition(const CurlingStateRecord& state);

// "SETSTATE shot end server side".
std::string FormatSetState(int shot, int end, int server, int side);

// "SCORE points": the score of the engine's current end (positive for side 0).
std::string FormatScore(int points);

}  // namespace Match
