// curling_sim._core: the simulator's three calls for Python, one at a time and in batches over
// numpy arrays of the simulator's own records, played on every core without the GIL.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include <algorithm>

#include "arguments.h"
#include "curling/sheet.h"
#include "curling_simulator.h"
#include "record_dtypes.h"
#include "search/eval/end_value.h"
#include "search/eval/value_inputs.h"
#include "simulation_batch.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace curling_py {

namespace {

py::tuple ShotTuple(const ShotVelocity& shot) {
  return py::make_tuple(shot.vx, shot.vy, shot.curl ? 1 : 0);
}

py::tuple CreateShotPy(float x, float y, bool curl) {
  ShotVelocity shot{};
  if (CreateShot({x, y, curl}, &shot) != 0) throw py::value_error("the target is not finite");
  return ShotTuple(shot);
}

py::tuple CreateHitShotPy(float x, float y, bool curl, float power) {
  ShotVelocity shot{};
  if (CreateHitShot({x, y, curl}, power, &shot) != 0) {
    throw py::value_error("the target is not finite");
  }
  return ShotTuple(shot);
}

// Releases for an (N, 3) array of draw targets [x, y, curl] or an (N, 4) array of targets with
// a power [x, y, curl, power] (power 0 is a draw); a target that is not finite gets NaN.
py::array CreateShotsPy(const py::handle& targets) {
  py::array given = py::array::ensure(targets);
  if (!given || given.ndim() != 2 || (given.shape(1) != 3 && given.shape(1) != 4) ||
      !(given.dtype().kind() == 'f' || given.dtype().kind() == 'i' ||
        given.dtype().kind() == 'u')) {
    throw py::value_error(
        "targets must be numbers of shape (N, 3) [x, y, curl] or (N, 4) "
        "[x, y, curl, power]");
  }
  auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(given);
  const auto rows = static_cast<std::size_t>(values.shape(0));
  const auto columns = static_cast<std::size_t>(values.shape(1));
  py::array shots(ShotDtype(), std::vector<py::ssize_t>{values.shape(0)});
  auto* out = static_cast<ShotVelocity*>(shots.mutable_data());
  std::memset(static_cast<void*>(out), 0, rows * sizeof(ShotVelocity));
  const double* v = values.data();
  {
    py::gil_scoped_release unlocked;
    for (std::size_t i = 0; i < rows; ++i) {
      const double* row = v + i * columns;
      const ShotTarget target{static_cast<float>(row[0]), static_cast<float>(row[1]),
                              row[2] != 0.0};
      const int code = columns == 3 ? CreateShot(target, &out[i])
                                    : CreateHitShot(target, static_cast<float>(row[3]), &out[i]);
      if (code != 0) {
        constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
        out[i] = {kNaN, kNaN, target.curl};
      }
    }
  }
  return shots;
}

py::tuple SimulatePy(const py::handle& state, const py::handle& shot, float noise, long long seed) {
  const CurlingStateRecord before = StateFrom(state);
  const ShotVelocity release = ShotFrom(shot);
  const std::int32_t seed32 = SeedFrom(seed);
  py::array after(StateDtype(), std::vector<py::ssize_t>{});
  auto* record = static_cast<CurlingStateRecord*>(after.mutable_data());
  std::memcpy(static_cast<void*>(record), &before, sizeof before);
  ShotVelocity executed{};
  int code;
  {
    py::gil_scoped_release unlocked;
    code = Simulation(record, release, noise, &executed, seed32);
  }
  if (code != 0) {
    throw py::value_error(
        "the state is outside the simulator's limits (shot_number 0 to 15, end_number 0 to 9, "
        "side_to_move 0 or 1)");
  }
  return py::make_tuple(after, ShotTuple(executed));
}

py::tuple SimulateManyPy(const py::handle& states, const py::handle& shots, const py::handle& noise,
                         const py::handle& seeds, int threads, const py::handle& out) {
  BatchInputs inputs(states, shots, noise, seeds);
  const unsigned threadCount = ThreadsFrom(threads);
  BatchOutputs outputs;
  if (out.is_none()) {
    outputs = NewOutputs(inputs.rows());
  } else {
    outputs = OutputsFrom(out);
    inputs.WriteTo(outputs);
  }
  const SimulationBatch batch = inputs.Batch(outputs);
  {
    py::gil_scoped_release unlocked;
    RunSimulationBatch(batch, threadCount);
  }
  return py::make_tuple(outputs.states, outputs.releases, outputs.status);
}

// The features the fitted mid-end value reads (Curling::EndFeaturesOf), one row per state of a
// STATE_DTYPE array (or one state), as an (N, 9) float64 array: the same function the engine and
// tools/end_value use, so that a study in Python cannot drift from them.
py::array EndFeaturesPy(const py::handle& states) {
  py::array given = py::array::ensure(states);
  if (!given || !given.dtype().is(StateDtype()) || given.ndim() > 1) {
    throw py::value_error("states must be one STATE_DTYPE record or a 1-D array of them");
  }
  const py::array records = py::array::ensure(given, py::array::c_style);
  const auto rows = static_cast<std::size_t>(records.ndim() == 0 ? 1 : records.shape(0));
  py::array_t<double> features(
      std::vector<py::ssize_t>{static_cast<py::ssize_t>(rows), Curling::kEndFeatureCount});
  const auto* in = static_cast<const CurlingStateRecord*>(records.data());
  double* out = features.mutable_data();
  for (std::size_t i = 0; i < rows; ++i) {
    Curling::CurlingGameState state;
    std::memcpy(static_cast<void*>(&state), &in[i], sizeof(CurlingStateRecord));
    const Curling::EndFeatures f = Curling::EndFeaturesOf(state);
    std::copy(f.begin(), f.end(), out + i * Curling::kEndFeatureCount);
  }
  return features;
}

// The fitted mid-end value (Curling::ExpectedEndScore) of each state of a STATE_DTYPE array (or
// one state), for the side with the hammer, as an (N,) float64 array.
py::array FittedValuePy(const py::handle& states) {
  py::array given = py::array::ensure(states);
  const std::optional<py::array> laidOut =
      given && given.ndim() <= 1 ? InLayout(given, StateDtype()) : std::nullopt;
  if (!laidOut)
    throw py::value_error("states must be one STATE_DTYPE record or a 1-D array of them");
  const py::array records = py::array::ensure(*laidOut, py::array::c_style);
  const auto rows = static_cast<py::ssize_t>(records.ndim() == 0 ? 1 : records.shape(0));
  py::array_t<double> values(std::vector<py::ssize_t>{rows});
  const auto* in = static_cast<const CurlingStateRecord*>(records.data());
  double* out = values.mutable_data();
  for (py::ssize_t i = 0; i < rows; ++i) {
    Curling::CurlingGameState state;
    std::memcpy(static_cast<void*>(&state), &in[i], sizeof(CurlingStateRecord));
    out[i] = Curling::ExpectedEndScore(state, Curling::HammerSide(state));
  }
  return values;
}

// The learned value's inputs (Curling::ValueInputsOf) for each state of a STATE_DTYPE array (or
// one state): (stones (N, 16, 3) float32, groups (N, 16) int8, globals (N, G) float32), the
// encoding the engine evaluates, so that training reads exactly what the engine will.
py::tuple ValueInputsPy(const py::handle& states) {
  py::array given = py::array::ensure(states);
  if (!given || given.ndim() > 1) {
    throw py::value_error("states must be one STATE_DTYPE record or a 1-D array of them");
  }
  const std::optional<py::array> laidOut = InLayout(given, StateDtype());
  if (!laidOut)
    throw py::value_error("states must be one STATE_DTYPE record or a 1-D array of them");
  const py::array records = py::array::ensure(*laidOut, py::array::c_style);
  const auto rows = static_cast<py::ssize_t>(records.ndim() == 0 ? 1 : records.shape(0));
  constexpr auto kSlots = static_cast<py::ssize_t>(Curling::kStones);
  py::array_t<float> stones(
      std::vector<py::ssize_t>{rows, kSlots, static_cast<py::ssize_t>(Curling::kValueStoneInputs)});
  py::array_t<std::int8_t> groups(std::vector<py::ssize_t>{rows, kSlots});
  py::array_t<float> globals(
      std::vector<py::ssize_t>{rows, static_cast<py::ssize_t>(Curling::kValueGlobalInputs)});
  const auto* in = static_cast<const CurlingStateRecord*>(records.data());
  float* stonesOut = stones.mutable_data();
  std::int8_t* groupsOut = groups.mutable_data();
  float* globalsOut = globals.mutable_data();
  {
    py::gil_scoped_release unlocked;
    for (py::ssize_t i = 0; i < rows; ++i) {
      Curling::CurlingGameState state;
      std::memcpy(static_cast<void*>(&state), &in[i], sizeof(CurlingStateRecord));
      const Curling::ValueInputs v = Curling::ValueInputsOf(state);
      for (const auto& stone : v.stones)
        stonesOut = std::copy(stone.begin(), stone.end(), stonesOut);
      groupsOut = std::copy(v.groups.begin(), v.groups.end(), groupsOut);
      globalsOut = std::copy(v.globals.begin(), v.globals.end(), globalsOut);
    }
  }
  return py::make_tuple(stones, groups, globals);
}

}  // namespace

}  // namespace curling_py

PYBIND11_MODULE(_core, m) {
  using namespace curling_py;
  m.doc() = "The curling simulator's calls, one at a time and over numpy arrays of its records.";
  m.attr("STATE_DTYPE") = StateDtype();
  m.attr("SHOT_DTYPE") = ShotDtype();
  // The sheet's fixed points, in metres, as the engine and the simulator take them.
  m.attr("TEE_X") = Curling::kTeeX;
  m.attr("TEE_Y") = Curling::kTeeY;
  m.attr("HOUSE_RADIUS") = Curling::kHouseRadius;
  m.attr("STONE_RADIUS") = Curling::kStoneRadius;
  m.def("end_features", &EndFeaturesPy, "states"_a,
        "The nine features of the fitted mid-end value for each state, seen from the side with the "
        "hammer: an (N, 9) float64 array.");

  m.def("fitted_value", &FittedValuePy, "states"_a,
        "The fitted mid-end value of each state: the expected score of its end for the side with "
        "the hammer, an (N,) float64 array.");
  m.def("value_inputs", &ValueInputsPy, "states"_a,
        "The learned value's inputs for each state, seen from the side with the hammer: (stones "
        "(N, 16, 3) float32 [across, along, distance] from the tee in house radii, groups (N, 16) "
        "int8 [0 the hammer's stone, 1 the other side's, -1 out of play], globals (N, G) float32 "
        "[shot one-hot, the fitted value's features, lead / 4, ends left / 9, last end]).");

  m.def("create_shot", &CreateShotPy, "x"_a, "y"_a, "curl"_a,
        "The release (vx, vy, curl) that brings a lone stone to rest on (x, y).");
  m.def("create_hit_shot", &CreateHitShotPy, "x"_a, "y"_a, "curl"_a, "power"_a,
        "The release (vx, vy, curl) whose path passes through (x, y) at 3 * min(power, 16) / 16 "
        "m/s; power 0 is the draw of create_shot.");
  m.def("create_shots", &CreateShotsPy, "targets"_a,
        "Releases (SHOT_DTYPE array) for targets of shape (N, 3) [x, y, curl] (draws) or (N, 4) "
        "[x, y, curl, power]; a target that is not finite gets a NaN release.");
  m.def("simulate", &SimulatePy, "state"_a, "shot"_a, "noise"_a, "seed"_a = -1,
        "Plays one shot: returns (the state after it as a 0-d STATE_DTYPE array, the release "
        "played (vx, vy, curl)). seed >= 0 makes the execution error reproducible. ValueError for "
        "a state outside the simulator's limits.");
  m.def("simulate_many", &SimulateManyPy, "states"_a, "shots"_a, "noise"_a, "seeds"_a = py::none(),
        "threads"_a = 0, "out"_a = py::none(),
        "Plays N shots at once on `threads` threads (0: every core) without the GIL. Each of "
        "states, shots, noise and seeds is one value or N of them (seeds None: unseeded). Returns "
        "(states after, releases played, status): status 0, or negative for a state outside the "
        "simulator's limits, whose row is returned unchanged with a NaN release. out: a tuple of "
        "three arrays of N rows (STATE_DTYPE, SHOT_DTYPE, int32; C-contiguous, writeable) filled "
        "and returned instead of new ones, so that a loop can reuse them (they may be the inputs "
        "themselves); when every input is one value, the batch plays it once per row of out.");
}
