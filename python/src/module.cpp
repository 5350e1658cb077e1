// curling_sim._core: the simulator's three calls for Python, one at a time and in batches over
// numpy arrays of the simulator's own records, played on every core without the GIL.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include <algorithm>

#include "arguments.h"
#include "curling/sheet.h"
#include "curling_simulator.h"
#include "record_dtypes.h"
#include "search/eval/end_value.h"
#include "search/eval/evaluator.h"
#include "search/eval/value_inputs.h"
#include "search/eval/value_net.h"
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

// The records of a STATE_DTYPE array (or of one state), C-contiguous; ValueError naming `name`
// otherwise.
py::array StateRecords(const py::handle& states, const std::string& name) {
  py::array given = py::array::ensure(states);
  const std::optional<py::array> laidOut =
      given && given.ndim() <= 1 ? InLayout(given, StateDtype()) : std::nullopt;
  if (!laidOut) {
    throw py::value_error(name + " must be one STATE_DTYPE record or a 1-D array of them");
  }
  return py::array::ensure(*laidOut, py::array::c_style);
}

py::ssize_t Rows(const py::array& records) {
  return records.ndim() == 0 ? 1 : records.shape(0);
}

// Row i of records read by StateRecords, as the engine's state.
Curling::CurlingGameState StateAt(const CurlingStateRecord* records, py::ssize_t i) {
  Curling::CurlingGameState state;
  std::memcpy(static_cast<void*>(&state), &records[i], sizeof(CurlingStateRecord));
  return state;
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
  const py::array records = StateRecords(states, "states");
  const py::ssize_t rows = Rows(records);
  py::array_t<double> values(std::vector<py::ssize_t>{rows});
  const auto* in = static_cast<const CurlingStateRecord*>(records.data());
  double* out = values.mutable_data();
  for (py::ssize_t i = 0; i < rows; ++i) {
    const Curling::CurlingGameState state = StateAt(in, i);
    out[i] = Curling::ExpectedEndScore(state, Curling::HammerSide(state));
  }
  return values;
}

// The learned value's inputs (Curling::ValueInputsOf) for each state of a STATE_DTYPE array (or
// one state): (stones (N, 16, 3) float32, groups (N, 16) int8, globals (N, G) float32), the
// encoding the engine evaluates, so that training reads exactly what the engine will.
py::tuple ValueInputsPy(const py::handle& states) {
  const py::array records = StateRecords(states, "states");
  const py::ssize_t rows = Rows(records);
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
      const Curling::ValueInputs v = Curling::ValueInputsOf(StateAt(in, i));
      for (const auto& stone : v.stones)
        stonesOut = std::copy(stone.begin(), stone.end(), stonesOut);
      groupsOut = std::copy(v.groups.begin(), v.groups.end(), groupsOut);
      globalsOut = std::copy(v.globals.begin(), v.globals.end(), globalsOut);
    }
  }
  return py::make_tuple(stones, groups, globals);
}

// A learned network for Python: the engine's learned evaluator with its network, so that
// distribution, expected and evaluate run exactly the code the engine's --eval learned runs.
class ValueNetPy {
 public:
  // The network read from `path`, or the compiled-in one for None; ValueError with the loader's
  // reason for a file it refuses.
  explicit ValueNetPy(const std::optional<std::string>& path) : evaluator_(Load(path)) {}

  const Curling::LearnedEndEvaluator& Evaluator() const { return evaluator_; }

  // The hammer's score distribution of each state: (N, 17) float64, column k a score of k - 8.
  py::array Distribution(const py::handle& states) const {
    const py::array records = StateRecords(states, "states");
    const py::ssize_t rows = Rows(records);
    constexpr auto kColumns = static_cast<py::ssize_t>(Curling::kValueOutputs);
    py::array_t<double> values(std::vector<py::ssize_t>{rows, kColumns});
    const auto* in = static_cast<const CurlingStateRecord*>(records.data());
    double* out = values.mutable_data();
    {
      py::gil_scoped_release unlocked;
      for (py::ssize_t i = 0; i < rows; ++i) {
        const Curling::ScoreDistribution p = evaluator_.Net().Distribution(StateAt(in, i));
        std::copy(p.begin(), p.end(), out + i * kColumns);
      }
    }
    return values;
  }

  // The hammer's expected score of the end of each state: (N,) float64.
  py::array Expected(const py::handle& states) const {
    const py::array records = StateRecords(states, "states");
    const py::ssize_t rows = Rows(records);
    py::array_t<double> values(std::vector<py::ssize_t>{rows});
    const auto* in = static_cast<const CurlingStateRecord*>(records.data());
    double* out = values.mutable_data();
    {
      py::gil_scoped_release unlocked;
      for (py::ssize_t i = 0; i < rows; ++i) {
        out[i] = evaluator_.Net().ExpectedHammerScore(StateAt(in, i));
      }
    }
    return values;
  }

 private:
  static Curling::ValueNet Load(const std::optional<std::string>& path) {
    Curling::ValueNetLoad load =
        path ? Curling::LoadValueNetFile(*path) : Curling::DefaultValueNet();
    if (!load.net) throw py::value_error(load.error);
    return std::move(*load.net);
  }

  Curling::LearnedEndEvaluator evaluator_;
};

// The engine's evaluator called `name`; `net` (or the compiled-in network) for "learned".
const Curling::Evaluator& EvaluatorNamed(const std::string& name, const ValueNetPy* net) {
  if (net && name != "learned") throw py::value_error("net is only for evaluator=\"learned\"");
  if (name == "outcome") return Curling::EndOutcomeEvaluator();
  if (name == "fitted") return Curling::FittedEndEvaluator();
  if (name == "screen") return Curling::ScreenEvaluator();
  if (name != "learned") {
    throw py::value_error("evaluator must be \"outcome\", \"fitted\", \"learned\" or \"screen\"");
  }
  if (net) return net->Evaluator();
  static const ValueNetPy compiledIn(std::nullopt);
  return compiledIn.Evaluator();
}

// The value by one of the engine's evaluators of each `after` reached from `before` for `side`:
// (N,) float64. before, after and side are each one value or N of them.
py::array EvaluatePy(const py::handle& before, const py::handle& after, const py::handle& side,
                     const std::string& objective, const std::string& evaluator,
                     const ValueNetPy* net) {
  if (objective != "points" && objective != "game") {
    throw py::value_error("objective must be \"points\" or \"game\"");
  }
  const Curling::Objective goal =
      objective == "points" ? Curling::Objective::kPoints : Curling::Objective::kGame;
  const Curling::Evaluator& rule = EvaluatorNamed(evaluator, net);
  const py::array befores = StateRecords(before, "before");
  const py::array afters = StateRecords(after, "after");
  const auto sides = py::array_t<int, py::array::c_style | py::array::forcecast>::ensure(side);
  if (!sides || sides.ndim() > 1) throw py::value_error("side must be 0, 1 or a 1-D array of them");
  const py::ssize_t sideRows = sides.ndim() == 0 ? 1 : sides.shape(0);
  const py::ssize_t rows = std::max({Rows(befores), Rows(afters), sideRows});
  for (const py::ssize_t n : {Rows(befores), Rows(afters), sideRows}) {
    if (n != 1 && n != rows) throw py::value_error("before, after and side differ in length");
  }
  const int* s = sides.data();
  for (py::ssize_t i = 0; i < sideRows; ++i) {
    if (s[i] != 0 && s[i] != 1) throw py::value_error("side must be 0, 1 or a 1-D array of them");
  }
  py::array_t<double> values(std::vector<py::ssize_t>{rows});
  const auto* b = static_cast<const CurlingStateRecord*>(befores.data());
  const auto* a = static_cast<const CurlingStateRecord*>(afters.data());
  const py::ssize_t bStep = Rows(befores) == 1 ? 0 : 1;
  const py::ssize_t aStep = Rows(afters) == 1 ? 0 : 1;
  const py::ssize_t sStep = sideRows == 1 ? 0 : 1;
  double* out = values.mutable_data();
  {
    py::gil_scoped_release unlocked;
    for (py::ssize_t i = 0; i < rows; ++i) {
      out[i] = rule.Value(StateAt(b, i * bStep), StateAt(a, i * aStep), s[i * sStep], goal);
    }
  }
  return values;
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
  py::class_<ValueNetPy>(
      m, "ValueNet",
      "The learned value's network, read from a weights file (\"curling-value-net "
      "1\") or, for path None, the one compiled into the engine; ValueError with "
      "the line at fault for a file the engine would refuse.")
      .def(py::init<const std::optional<std::string>&>(), "path"_a = py::none())
      .def("distribution", &ValueNetPy::Distribution, "states"_a,
           "The distribution of the hammer's score of each state's end: (N, 17) float64, column "
           "k the probability of a score of k - 8.")
      .def("expected", &ValueNetPy::Expected, "states"_a,
           "The hammer's expected score of each state's end: (N,) float64.");
  m.def("evaluate", &EvaluatePy, "before"_a, "after"_a, "side"_a, "objective"_a = "points",
        "evaluator"_a = "outcome", "net"_a = py::none(),
        "The engine's value of each state `after`, reached from `before`, for `side` (0 or 1; "
        "one value or N): objective \"points\" (the end's points) or \"game\" (the change in the "
        "chance of winning); evaluator \"outcome\", \"fitted\", \"learned\" (net, or the "
        "compiled-in network for None) or \"screen\". (N,) float64.");

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
