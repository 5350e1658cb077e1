#include "shot_seed.h"

namespace Match {

std::uint64_t SplitMix64(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

int ShotSeed(std::uint64_t matchSeed, int game, int end, int shot) {
  std::uint64_t x = SplitMix64(matchSeed);
  x = SplitMix64(x ^ static_cast<std::uint32_t>(game));
  x = SplitMix64(x ^ static_cast<std::uint32_t>(end));
  x = SplitMix64(x ^ static_cast<std::uint32_t>(shot));
  return static_cast<int>(x >> 33);
}

}  // namespace Match
