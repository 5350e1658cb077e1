#pragma once

#include <cstdint>

namespace Match {

// SplitMix64's output function: a fast, well-mixed 64-bit bijection.
std::uint64_t SplitMix64(std::uint64_t x);

// The simulator seed of one shot of a match: a mix of the match seed and the shot's game, end
// and shot numbers, in 0 to 2^31 - 1 (the simulator takes any seed >= 0 as reproducible). Every
// shot of a match gets its own stream, and the same match seed replays the same match.
int ShotSeed(std::uint64_t matchSeed, int game, int end, int shot);

}  // namespace Match
