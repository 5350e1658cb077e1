#include "shots/random.h"

#include <array>
#include <mutex>

namespace Curling {

std::uint32_t BoundedDraw(std::mt19937& rng, std::uint32_t m) {
  constexpr std::uint32_t kMax = 4294967295u;
  const bool everyOutputFits = kMax % m == m - 1;
  for (;;) {
    const std::uint32_t r = static_cast<std::uint32_t>(rng());
    if (r / m < kMax / m || everyOutputFits) return r % m;
  }
}

std::uint32_t IndexDraw(std::mt19937& rng, std::uint32_t k) {
  if (k <= 1) return 0;
  return BoundedDraw(rng, k);
}

float RandomPriority(std::mt19937& rng) {
  constexpr float kLargest = 3.4028234663852886e38f;
  const float u = static_cast<float>(static_cast<std::uint32_t>(rng())) / 4294967296.0f;
  return u * (kLargest - 0.0f) + 0.0f;
}

std::span<const std::uint32_t> FixedSeedShuffleDraws() {
  static const std::array<std::uint32_t, 1024> draws = [] {
    std::array<std::uint32_t, 1024> table{};
    std::mt19937 rng = MakeShuffleGenerator();
    for (std::size_t i = 1; i < table.size(); ++i) {
      table[i] = BoundedDraw(rng, static_cast<std::uint32_t>(i + 1));
    }
    return table;
  }();
  return draws;
}

std::uint32_t WallClockSeed(std::chrono::system_clock::time_point now) {
  using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>;
  const auto ticks = std::chrono::duration_cast<Ticks>(now.time_since_epoch()).count();
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ticks));
}

namespace {

// The process-wide generator and the lock that guards its draws.
struct ProcessGenerator {
  std::mutex lock;
  std::uint32_t seed;
  std::mt19937 engine;

  ProcessGenerator() : seed(WallClockSeed(std::chrono::system_clock::now())), engine(seed) {}
};

ProcessGenerator& Process() {
  static ProcessGenerator generator;  // thread-safe first use
  return generator;
}

// Creates the process-wide generator during start-up, before any command is read, so that its
// seed is the start-up time and not the time of the first search.
[[maybe_unused]] const bool kProcessGeneratorCreated = (Process(), true);

}  // namespace

std::uint32_t ProcessGeneratorSeed() {
  ProcessGenerator& process = Process();
  std::lock_guard<std::mutex> guard(process.lock);
  return process.seed;
}

void SeedProcessGenerator(std::uint32_t seed) {
  ProcessGenerator& process = Process();
  std::lock_guard<std::mutex> guard(process.lock);
  process.seed = seed;
  process.engine.seed(seed);
}

std::uint32_t DrawProcessSeed() {
  ProcessGenerator& process = Process();
  std::lock_guard<std::mutex> guard(process.lock);
  return static_cast<std::uint32_t>(process.engine());
}

std::mt19937 SeedWorkerGenerator() {
  return std::mt19937(DrawProcessSeed());
}

int SimulationSeed(std::uint32_t output) {
  return static_cast<int>(output & 0x7fffffffu);
}

int DrawSimulationSeed(std::mt19937& rng) {
  return SimulationSeed(static_cast<std::uint32_t>(rng()));
}

}  // namespace Curling
