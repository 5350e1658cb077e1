#pragma once

#include <pybind11/numpy.h>

#include <cstdint>
#include <vector>

#include "curling_simulator.h"
#include "simulation_batch.h"

namespace curling_py {

// Python arguments turned into the simulator's records. Everything that cannot be taken raises
// ValueError (pybind11::value_error) naming the argument, its shape and its dtype.

// One state: a record of STATE_DTYPE (a numpy scalar, a 0-d array or an array of one record).
CurlingStateRecord StateFrom(const pybind11::handle& state);

// One release: a SHOT_DTYPE record or any sequence (vx, vy, curl) of numbers; a curl other than
// 0 is curl 1.
ShotVelocity ShotFrom(const pybind11::handle& shot);

// A seed for Simulation: an integer that fits 32 bits (below 0: the thread's own generator).
std::int32_t SeedFrom(long long seed);

// Threads for a batch: 0 means every core the machine has.
unsigned ThreadsFrom(int threads);

// The three arrays a batch writes: states after (STATE_DTYPE), releases played (SHOT_DTYPE) and
// status (int32), each 1-D, C-contiguous, of N rows.
struct BatchOutputs {
  pybind11::array states;
  pybind11::array releases;
  pybind11::array status;
};

// New output arrays of `rows` rows.
BatchOutputs NewOutputs(std::size_t rows);

// The caller's output arrays: a tuple or list (states, releases, status) of writeable,
// C-contiguous 1-D arrays of exactly those dtypes and one length, none sharing memory with
// another. Filled in place, they spare a loop that reuses them the first touch of fresh pages
// (which the kernel zeroes) on every batch.
BatchOutputs OutputsFrom(const pybind11::handle& out);

// The inputs of one batch of simulations, checked, with numpy's broadcasting of a single value:
// each of states, shots, noise and seeds is one value or a 1-D array, and the arrays have one
// length N (or 1). States and SHOT_DTYPE shots are read where numpy holds them; shots given as
// numbers of shape (N, 3) [vx, vy, curl], noise and seeds are converted. `seeds` None: every row
// uses its thread's own generator.
class BatchInputs {
 public:
  BatchInputs(const pybind11::handle& states, const pybind11::handle& shots,
              const pybind11::handle& noise, const pybind11::handle& seeds);

  std::size_t rows() const { return rows_; }

  // Makes the batch fill `outputs`: their length N must be the inputs' (or the inputs are one
  // value each, played N times). Inputs read in place that share memory with them are copied
  // first, so that writing a row never changes what another row reads.
  void WriteTo(const BatchOutputs& outputs);

  // The batch that reads these inputs and writes `outputs` (both must outlive it).
  SimulationBatch Batch(BatchOutputs outputs) const;

 private:
  std::size_t rows_ = 1;
  pybind11::array states_;  // kept alive: the batch reads it in place
  std::ptrdiff_t stateStride_ = 0;
  pybind11::array shots_;  // the SHOT_DTYPE array read in place, when inPlaceShots_
  bool inPlaceShots_ = false;
  std::vector<ShotVelocity> convertedShots_;
  std::ptrdiff_t shotStride_ = 0;
  pybind11::array_t<float> noise_;
  std::vector<std::int32_t> seeds_;
};

}  // namespace curling_py
