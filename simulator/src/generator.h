// The simulator's random generator: xoshiro256** (Blackman and Vigna), its state filled from the
// seed by SplitMix64. Seeding is four multiply-xorshift steps, so a call with a seed costs no more
// than one without; the output passes the usual statistical batteries and has period 2^256 - 1.
#ifndef CURLING_SIMULATOR_GENERATOR_H
#define CURLING_SIMULATOR_GENERATOR_H

#include <cstdint>

namespace curling_sim {

// A small value type: copy it to fork a stream, pass it by reference to draw from it.
class Generator {
 public:
  explicit Generator(std::uint64_t seed) {
    // SplitMix64 spreads any seed, 0 included, over the whole state (never all zero).
    for (std::uint64_t& word : state_) {
      seed += 0x9e3779b97f4a7c15ULL;
      std::uint64_t z = seed;
      z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
      z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
      word = z ^ (z >> 31);
    }
  }

  // The next 64 random bits.
  std::uint64_t operator()() {
    const std::uint64_t result = Rotate(state_[1] * 5, 7) * 9;
    const std::uint64_t t = state_[1] << 17;
    state_[2] ^= state_[0];
    state_[3] ^= state_[1];
    state_[1] ^= state_[2];
    state_[0] ^= state_[3];
    state_[2] ^= t;
    state_[3] = Rotate(state_[3], 45);
    return result;
  }

 private:
  static std::uint64_t Rotate(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

  std::uint64_t state_[4];
};

}  // namespace curling_sim

#endif  // CURLING_SIMULATOR_GENERATOR_H
