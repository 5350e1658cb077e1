#pragma once

#include <cstddef>
#include <cstdint>

#include "curling_simulator.h"

namespace curling_py {

// Many Simulation calls over strided inputs, as numpy lays them out. Row i reads its state and
// shot at `i * stride` bytes from the start (a stride of 0 repeats one value for every row; a
// negative one walks backwards) and its noise and seed at `i * step` elements (step 0 or 1).
// The outputs are contiguous arrays of `rows` elements, owned by the caller; every byte of an
// output row is written (a release's padding is zeroed), so reused memory gives the same bytes.
struct SimulationBatch {
  std::size_t rows = 0;
  const std::byte* states = nullptr;  // CurlingStateRecord bytes, alignment not required
  std::ptrdiff_t stateStride = 0;
  const std::byte* shots = nullptr;  // ShotVelocity bytes, alignment not required
  std::ptrdiff_t shotStride = 0;
  const float* noise = nullptr;
  std::size_t noiseStep = 0;
  const std::int32_t* seeds = nullptr;  // below 0: the running thread's own generator
  std::size_t seedStep = 0;

  CurlingStateRecord* results = nullptr;  // row i: the state after the shot, or as given
  ShotVelocity* executed = nullptr;       // row i: the release played, NaN when none was
  std::int32_t* status = nullptr;         // row i: Simulation's result (0, or negative)
};

// Plays every row of the batch on up to `threads` threads (the calling one included), handing
// out rows in chunks that shrink as the batch empties: each thread plays long stretches of rows,
// and slow rows (crowded houses) do not leave a thread idle at the end. Each row is
// independent; a row's result does not depend on the thread that plays it when its seed is >= 0.
void RunSimulationBatch(const SimulationBatch& batch, unsigned threads);

}  // namespace curling_py
