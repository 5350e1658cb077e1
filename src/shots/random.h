#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <span>
#include <utility>
#include <vector>

namespace Curling {

// Random numbers of the engine. Every generator is a plain std::mt19937; the draws made from it are
// written out here because the standard library's distributions and shuffle differ between
// platforms, and the engine's fixed-seed shuffles must give the same permutation everywhere.
//
// Two kinds of generator exist:
// - the process-wide generator, seeded once at start-up from the wall clock (or, with the
//   engine's --seed option, from a seed of the user's, SeedProcessGenerator); it is only ever used
//   to seed the search workers' own generators (SeedWorkerGenerator, DrawProcessSeed) and, in a
//   seeded experiment, the real shots' noise, one draw under a lock each;
// - fixed-seed generators (MakeShuffleGenerator), made for one shuffle and discarded.
// Everything that draws takes its generator as an explicit parameter.

// Seed of every fixed-seed generator (the standard default seed of MT19937).
inline constexpr std::uint32_t kShuffleSeed = 5489;

// A fresh generator seeded with kShuffleSeed, for one shuffle of a candidate list or a root.
inline std::mt19937 MakeShuffleGenerator() {
  return std::mt19937(kShuffleSeed);
}

// A whole number in [0, m - 1], m >= 1: one 32-bit output r is taken; it is kept when
// r / m < 4294967295 / m or when 4294967295 % m == m - 1 (then r % m is returned), otherwise it is
// dropped and a new one is taken. For m a power of two no output is ever dropped.
std::uint32_t BoundedDraw(std::mt19937& rng, std::uint32_t m);

// The playout's pick of a candidate: a whole number in [0, k - 1]. For k <= 1 the answer is 0 and
// no output is taken from the generator (k = 0 has no valid index: callers must not use it).
std::uint32_t IndexDraw(std::mt19937& rng, std::uint32_t k);

// A uniform single-precision number in [0, 3.4028234663852886e38] (the largest float): one output
// x, u = x / 4294967296 formed in float, returned as u * largest float, in float. Used to rank the
// unvisited children of a search node in random order.
float RandomPriority(std::mt19937& rng);

// Shuffles `list` in place: for i = 1 to size - 1, j = BoundedDraw(rng, i + 1), then elements i
// and j change places (through the element type's swap). Lists of length 0 and 1 draw nothing.
// With a fresh generator of the same seed, the permutation depends on the list's length only.
template <class T, class Alloc>
void ShuffleList(std::vector<T, Alloc>& list, std::mt19937& rng) {
  using std::swap;
  for (std::size_t i = 1; i < list.size(); ++i) {
    const std::size_t j = BoundedDraw(rng, static_cast<std::uint32_t>(i + 1));
    if (j != i) swap(list[i], list[j]);
  }
}

// The draws j_1, j_2, ... that ShuffleList makes with a fresh fixed-seed generator (j_i in
// [0, i], index 0 unused). They are the same for every list, a shorter list using a prefix, so
// they are computed once, on first use (thread-safe), for lists of up to 1024 elements.
std::span<const std::uint32_t> FixedSeedShuffleDraws();

// Exactly ShuffleList with a fresh generator from MakeShuffleGenerator, without the cost of
// seeding one (about half the cost of a short candidate list): the draws come from
// FixedSeedShuffleDraws, or from a fresh generator for a list longer than those.
template <class T, class Alloc>
void ShuffleFixedSeed(std::vector<T, Alloc>& list) {
  const std::span<const std::uint32_t> draws = FixedSeedShuffleDraws();
  if (list.size() > draws.size()) {
    std::mt19937 rng = MakeShuffleGenerator();
    ShuffleList(list, rng);
    return;
  }
  using std::swap;
  for (std::size_t i = 1; i < list.size(); ++i) {
    const std::size_t j = draws[i];
    if (j != i) swap(list[i], list[j]);
  }
}

// The process-wide generator's seed for the wall-clock reading `now`: the count of 100-nanosecond
// ticks since 1970-01-01 00:00:00 UTC, truncated to its low 32 bits.
std::uint32_t WallClockSeed(std::chrono::system_clock::time_point now);

// The seed that the process-wide generator was given at start-up (or by SeedProcessGenerator).
std::uint32_t ProcessGeneratorSeed();

// Restarts the process-wide generator from `seed` instead of the wall clock, so that everything
// seeded from it repeats from run to run. The engine calls it once at start-up, before any search.
void SeedProcessGenerator(std::uint32_t seed);

// One output of the process-wide generator, taken under its lock (callers may run at the same
// time).
std::uint32_t DrawProcessSeed();

// A generator for one search worker, seeded with one output of the process-wide generator
// (DrawProcessSeed). A worker of the engine's default search calls it once, when it starts, and
// draws only from its own.
std::mt19937 SeedWorkerGenerator();

// A seed for the simulator's noise (Simulation's seed argument, 0 to 2147483647) made of one
// generator output: its low 31 bits.
int SimulationSeed(std::uint32_t output);

// SimulationSeed of one output of `rng`.
int DrawSimulationSeed(std::mt19937& rng);

}  // namespace Curling
