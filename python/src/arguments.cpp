#include "arguments.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <thread>

#include "record_dtypes.h"

namespace py = pybind11;

namespace curling_py {

namespace {

using Array = py::array;

// "shape (4, 2) and dtype float64", for error messages.
std::string Describe(const Array& array) {
  std::string shape = "(";
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    shape += std::to_string(array.shape(d));
    shape += array.ndim() == 1 ? "," : (d + 1 < array.ndim() ? ", " : "");
  }
  return "shape " + shape + ") and dtype " + py::str(array.dtype()).cast<std::string>();
}

Array AsArray(const py::handle& value, const std::string& name) {
  Array array = Array::ensure(value);
  if (!array) throw py::value_error(name + " must be array-like");
  return array;
}

bool IsNumber(const Array& array) {
  const char kind = array.dtype().kind();
  return kind == 'f' || kind == 'i' || kind == 'u';
}

ShotVelocity ShotOfNumbers(double vx, double vy, double curl) {
  return {static_cast<float>(vx), static_cast<float>(vy), curl != 0.0};
}

// Reads one SHOT_DTYPE record; the curl byte is read as a byte (non-zero is curl 1).
ShotVelocity ShotOfRecord(const void* data) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  float vx;
  float vy;
  std::memcpy(&vx, bytes + offsetof(ShotVelocity, vx), sizeof vx);
  std::memcpy(&vy, bytes + offsetof(ShotVelocity, vy), sizeof vy);
  return {vx, vy, bytes[offsetof(ShotVelocity, curl)] != 0};
}

// Length of a 1-D argument, or nothing for a single value (0-d).
std::optional<py::ssize_t> LengthOf(const Array& array) {
  if (array.ndim() == 0) return std::nullopt;
  return array.shape(0);
}

// Byte stride of row i: 0 for a single value or an array of one, which every row repeats.
std::ptrdiff_t RowStride(const Array& array, std::optional<py::ssize_t> length) {
  return length && *length != 1 ? array.strides(0) : 0;
}

// The bytes an array's elements span, [begin, end): empty for an array of no elements.
struct ByteRange {
  const std::byte* begin;
  const std::byte* end;

  bool Overlaps(const ByteRange& other) const {
    return begin < end && other.begin < other.end && begin < other.end && other.begin < end;
  }
};

ByteRange RangeOf(const Array& array) {
  const auto* first = static_cast<const std::byte*>(array.data());
  if (array.size() == 0) return {first, first};
  std::ptrdiff_t low = 0;
  std::ptrdiff_t high = array.itemsize();
  for (py::ssize_t d = 0; d < array.ndim(); ++d) {
    const std::ptrdiff_t span = (array.shape(d) - 1) * array.strides(d);
    (span < 0 ? low : high) += span;
  }
  return {first + low, first + high};
}

// A C-contiguous copy of a 0-d or 1-D array, byte for byte: numpy's own copy of a strided array
// of records may leave their padding out.
Array CopyOf(const Array& array) {
  Array copy(array.dtype(), std::vector<py::ssize_t>(array.shape(), array.shape() + array.ndim()));
  const auto* from = static_cast<const std::byte*>(array.data());
  auto* to = static_cast<std::byte*>(copy.mutable_data());
  const std::ptrdiff_t stride = array.ndim() == 0 ? 0 : array.strides(0);
  const std::ptrdiff_t size = array.itemsize();
  for (py::ssize_t i = 0; i < array.size(); ++i)
    std::memcpy(to + i * size, from + i * stride, size);
  return copy;
}

}  // namespace

BatchOutputs NewOutputs(std::size_t rows) {
  const std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(rows)};
  return {Array(StateDtype(), shape), Array(ShotDtype(), shape), py::array_t<std::int32_t>(shape)};
}

BatchOutputs OutputsFrom(const py::handle& out) {
  const std::string expected =
      "out must be (states, releases, status): writeable C-contiguous 1-D arrays of "
      "curling_sim.STATE_DTYPE, curling_sim.SHOT_DTYPE and int32 with one length";
  if (!(py::isinstance<py::tuple>(out) || py::isinstance<py::list>(out)) || py::len(out) != 3) {
    throw py::value_error(expected);
  }
  const auto items = py::reinterpret_borrow<py::sequence>(out);
  const py::dtype dtypes[] = {StateDtype(), ShotDtype(), py::dtype::of<std::int32_t>()};
  Array arrays[3];
  for (std::size_t i = 0; i < 3; ++i) {
    const py::object item = items[i];
    if (!py::isinstance<Array>(item)) {
      throw py::value_error(expected + ", got " + py::repr(py::type::of(item)).cast<std::string>());
    }
    const auto array = py::reinterpret_borrow<Array>(item);
    const bool contiguous = (array.flags() & py::array::c_style) != 0;
    if (!array.dtype().equal(dtypes[i]) || array.ndim() != 1 ||
        (i > 0 && array.shape(0) != arrays[0].shape(0)) || !contiguous || !array.writeable()) {
      throw py::value_error(
          expected + ", got " + Describe(array) + (contiguous ? "" : ", not contiguous") +
          (array.writeable() ? "" : ", read-only") + " as out[" + std::to_string(i) + "]");
    }
    arrays[i] = array;
  }
  for (std::size_t i = 0; i < 3; ++i) {
    if (RangeOf(arrays[i]).Overlaps(RangeOf(arrays[(i + 1) % 3]))) {
      throw py::value_error("out: the three arrays must not share memory");
    }
  }
  return {arrays[0], arrays[1], arrays[2]};
}

CurlingStateRecord StateFrom(const py::handle& state) {
  const Array given = AsArray(state, "state");
  const auto records = InLayout(given, StateDtype());
  if (!records) {
    throw py::value_error("state must be a record of curling_sim.STATE_DTYPE, got " +
                          Describe(given));
  }
  const Array& array = *records;
  if (array.size() != 1) {
    throw py::value_error("state must be one record (simulate_many takes arrays), got " +
                          Describe(array));
  }
  CurlingStateRecord record;
  std::memcpy(&record, array.data(), sizeof record);
  return record;
}

ShotVelocity ShotFrom(const py::handle& shot) {
  if (py::isinstance<py::tuple>(shot) || py::isinstance<py::list>(shot)) {
    auto items = py::reinterpret_borrow<py::sequence>(shot);
    if (items.size() != 3) throw py::value_error("shot must be (vx, vy, curl)");
    try {
      return ShotOfNumbers(items[0].cast<double>(), items[1].cast<double>(),
                           items[2].cast<double>());
    } catch (const py::cast_error&) {
      throw py::value_error("shot must be (vx, vy, curl), three numbers");
    }
  }
  Array array = AsArray(shot, "shot");
  if (const auto records = InLayout(array, ShotDtype()); records && array.size() == 1) {
    return ShotOfRecord(records->data());
  }
  if (IsNumber(array) && array.ndim() == 1 && array.shape(0) == 3) {
    auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(array);
    return ShotOfNumbers(values.at(0), values.at(1), values.at(2));
  }
  throw py::value_error("shot must be a curling_sim.SHOT_DTYPE record or (vx, vy, curl), got " +
                        Describe(array));
}

std::int32_t SeedFrom(long long seed) {
  if (seed < std::numeric_limits<std::int32_t>::min() ||
      seed > std::numeric_limits<std::int32_t>::max()) {
    throw py::value_error("seed must fit a 32-bit int, got " + std::to_string(seed));
  }
  return static_cast<std::int32_t>(seed);
}

unsigned ThreadsFrom(int threads) {
  if (threads < 0) throw py::value_error("threads must be 0 (every core) or more");
  if (threads > 0) return static_cast<unsigned>(threads);
  return std::max(std::thread::hardware_concurrency(), 1u);
}

BatchInputs::BatchInputs(const py::handle& states, const py::handle& shots, const py::handle& noise,
                         const py::handle& seeds) {
  const Array givenStates = AsArray(states, "states");
  const auto stateRecords = InLayout(givenStates, StateDtype());
  if (!stateRecords || givenStates.ndim() > 1) {
    throw py::value_error(
        "states must be a record or a 1-D array of curling_sim.STATE_DTYPE, got " +
        Describe(givenStates));
  }
  states_ = *stateRecords;
  const auto stateLength = LengthOf(states_);

  Array shotArray = AsArray(shots, "shots");
  std::optional<py::ssize_t> shotLength;
  if (auto records = InLayout(shotArray, ShotDtype()); records && shotArray.ndim() <= 1) {
    shots_ = *records;
    inPlaceShots_ = true;
    shotLength = LengthOf(shots_);
  } else if (IsNumber(shotArray) && shotArray.ndim() >= 1 && shotArray.ndim() <= 2 &&
             shotArray.shape(shotArray.ndim() - 1) == 3) {
    auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(shotArray);
    const double* v = values.data();
    const py::ssize_t count = values.size() / 3;
    convertedShots_.reserve(static_cast<std::size_t>(count));
    for (py::ssize_t i = 0; i < count; ++i) {
      convertedShots_.push_back(ShotOfNumbers(v[3 * i], v[3 * i + 1], v[3 * i + 2]));
    }
    if (shotArray.ndim() == 2) shotLength = count;
  } else {
    throw py::value_error(
        "shots must be curling_sim.SHOT_DTYPE records or numbers of shape (N, 3) "
        "[vx, vy, curl], got " +
        Describe(shotArray));
  }

  Array noiseArray = AsArray(noise, "noise");
  if (!IsNumber(noiseArray) || noiseArray.ndim() > 1) {
    throw py::value_error("noise must be a number or a 1-D array of numbers, got " +
                          Describe(noiseArray));
  }
  noise_ = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(noiseArray);
  const auto noiseLength = LengthOf(noise_);

  std::optional<py::ssize_t> seedLength;
  if (seeds.is_none()) {
    seeds_.push_back(-1);
  } else {
    Array seedArray = AsArray(seeds, "seeds");
    const char kind = seedArray.dtype().kind();
    if ((kind != 'i' && kind != 'u') || seedArray.ndim() > 1) {
      throw py::value_error("seeds must be None, an integer or a 1-D array of integers, got " +
                            Describe(seedArray));
    }
    // Through double: exact for every value a 32-bit int holds, and far beyond it for the check.
    auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(seedArray);
    for (py::ssize_t i = 0; i < values.size(); ++i) {
      const double seed = values.data()[i];
      if (seed < std::numeric_limits<std::int32_t>::min() ||
          seed > std::numeric_limits<std::int32_t>::max()) {
        throw py::value_error("seeds must fit a 32-bit int, got " +
                              py::repr(py::float_(seed)).cast<std::string>());
      }
      seeds_.push_back(static_cast<std::int32_t>(seed));
    }
    seedLength = LengthOf(seedArray);
  }

  // numpy's broadcasting of a single value: every array has the same length N, or length 1.
  std::optional<py::ssize_t> rows;
  for (auto length : {stateLength, shotLength, noiseLength, seedLength}) {
    if (!length || *length == 1) continue;
    if (rows && *rows != *length) {
      auto shown = [](std::optional<py::ssize_t> l) { return l ? std::to_string(*l) : "one"; };
      throw py::value_error("states, shots, noise and seeds have " + shown(stateLength) + ", " +
                            shown(shotLength) + ", " + shown(noiseLength) + " and " +
                            shown(seedLength) + " rows: each must have N rows or one");
    }
    rows = length;
  }
  rows_ = static_cast<std::size_t>(rows.value_or(1));
  stateStride_ = RowStride(states_, stateLength);
  shotStride_ = inPlaceShots_ ? RowStride(shots_, shotLength)
                              : (shotLength && *shotLength != 1 ? sizeof(ShotVelocity) : 0);
}

void BatchInputs::WriteTo(const BatchOutputs& outputs) {
  const auto length = static_cast<std::size_t>(outputs.states.shape(0));
  if (rows_ != length && rows_ != 1) {
    throw py::value_error("out has " + std::to_string(length) + " rows, the inputs " +
                          std::to_string(rows_));
  }
  rows_ = length;  // from one row: every input is one value, read by every row
  auto shared = [&](const Array& input) {
    const ByteRange read = RangeOf(input);
    return read.Overlaps(RangeOf(outputs.states)) || read.Overlaps(RangeOf(outputs.releases)) ||
           read.Overlaps(RangeOf(outputs.status));
  };
  // A copy is C-contiguous in row order: a stride of one record, or 0 for one repeated value.
  if (shared(states_)) {
    states_ = CopyOf(states_);
    if (stateStride_ != 0) stateStride_ = states_.itemsize();
  }
  if (inPlaceShots_ && shared(shots_)) {
    shots_ = CopyOf(shots_);
    if (shotStride_ != 0) shotStride_ = shots_.itemsize();
  }
  if (shared(noise_)) noise_ = py::array_t<float>::ensure(CopyOf(noise_));
}

SimulationBatch BatchInputs::Batch(BatchOutputs outputs) const {
  SimulationBatch batch;
  batch.rows = rows_;
  batch.states = static_cast<const std::byte*>(states_.data());
  batch.stateStride = stateStride_;
  batch.shots = inPlaceShots_ ? static_cast<const std::byte*>(shots_.data())
                              : reinterpret_cast<const std::byte*>(convertedShots_.data());
  batch.shotStride = shotStride_;
  batch.noise = noise_.data();
  batch.noiseStep = noise_.size() > 1 ? 1 : 0;
  batch.seeds = seeds_.data();
  batch.seedStep = seeds_.size() > 1 ? 1 : 0;
  batch.results = static_cast<CurlingStateRecord*>(outputs.states.mutable_data());
  batch.executed = static_cast<ShotVelocity*>(outputs.releases.mutable_data());
  batch.status = static_cast<std::int32_t*>(outputs.status.mutable_data());
  return batch;
}

}  // namespace curling_py
