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

// Rows handed to a thread at a time: large enough that taking a chunk costs nothing beside
// 64 simulations (at least 15 us), small enough that threads finish together.
constexpr std::size_t kChunkRows = 64;

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
  const std::size_t chunks = (batch.rows + kChunkRows - 1) / kChunkRows;
  const std::size_t workers = std::min<std::size_t>(std::max(threads, 1u), chunks);
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    while (true) {
      const std::size_t chunk = next.fetch_add(1, std::memory_order_relaxed);
      if (chunk >= chunks) return;
      RunRows(batch, chunk * kChunkRows, std::min(batch.rows, (chunk + 1) * kChunkRows));
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
