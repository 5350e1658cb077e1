#include "simulation_batch.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace curling_py {

namespace {

// The fewest rows handed to a thread at a time: enough that taking a chunk costs nothing beside
// 64 simulations (at least 15 us), few enough that threads finish together.
constexpr std::size_t kChunkRows = 64;

// A thread takes 1 / (kShares * threads) of the rows still to play (kChunkRows at least): long
// stretches first, so that each thread streams through inputs and outputs of its own, short ones
// at the end. With threads taking turns on 64-row chunks, a batch of draws on two cores cost 6 %
// more CPU: each thread's reads and writes jumped every chunk, and the cache lines at the chunk
// boundaries moved between the cores.
constexpr std::size_t kShares = 4;

// Writes the release's fields and zeroes its padding, so that the output's bytes are the same
// whatever the memory held before (a fresh array, or one reused through `out=`).
void StoreRelease(const ShotVelocity& release, ShotVelocity* out) {
  unsigned char bytes[sizeof(ShotVelocity)] = {};
  std::memcpy(bytes + offsetof(ShotVelocity, vx), &release.vx, sizeof release.vx);
  std::memcpy(bytes + offsetof(ShotVelocity, vy), &release.vy, sizeof release.vy);
  std::memcpy(bytes + offsetof(ShotVelocity, curl), &release.curl, sizeof release.curl);
  std::memcpy(static_cast<void*>(out), bytes, sizeof bytes);
}

void RunRows(const SimulationBatch& batch, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i) {
    const auto row = static_cast<std::ptrdiff_t>(i);
    CurlingStateRecord& state = batch.results[i];
    std::memcpy(&state, batch.states + row * batch.stateStride, sizeof state);
    ShotVelocity shot;
    std::memcpy(&shot, batch.shots + row * batch.shotStride, sizeof shot);
    unsigned char curlByte;
    std::memcpy(&curlByte, batch.shots + row * batch.shotStride + offsetof(ShotVelocity, curl), 1);
    shot.curl = curlByte != 0;  // a byte other than 0 or 1 is never read as a bool

    ShotVelocity played{};
    const int code = Simulation(&state, shot, batch.noise[i * batch.noiseStep], &played,
                                batch.seeds[i * batch.seedStep]);
    if (code != 0) {
      constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
      played = {kNaN, kNaN, shot.curl};
    }
    StoreRelease(played, &batch.executed[i]);
    batch.status[i] = code;
  }
}

}  // namespace

void RunSimulationBatch(const SimulationBatch& batch, unsigned threads) {
  const std::size_t rows = batch.rows;
  const std::size_t chunks = (rows + kChunkRows - 1) / kChunkRows;
  const std::size_t workers = std::min<std::size_t>(std::max(threads, 1u), chunks);
  std::atomic<std::size_t> next{0};  // the first row no thread has taken
  auto work = [&] {
    std::size_t begin = next.load(std::memory_order_relaxed);
    while (begin < rows) {
      const std::size_t end =
          std::min(rows, begin + std::max(kChunkRows, (rows - begin) / (kShares * workers)));
      // On failure `begin` becomes the row another thread left, and the chunk is sized again.
      if (next.compare_exchange_weak(begin, end, std::memory_order_relaxed)) {
        RunRows(batch, begin, end);
        begin = next.load(std::memory_order_relaxed);
      }
    }
  };
  std::vector<std::jthread> helpers;
  for (std::size_t w = 1; w < workers; ++w) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones running take the remaining chunks
    }
  }
  work();
}  // the helpers join here

}  // namespace curling_py
