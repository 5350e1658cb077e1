#include "record_dtypes.h"

#include <cstddef>

#include "curling_simulator.h"

namespace py = pybind11;

namespace curling_py {

namespace {

// One named field of a structured dtype at a byte offset of the C record.
struct Field {
  const char* name;
  const char* format;
  std::size_t offset;
};

py::dtype MakeDtype(std::initializer_list<Field> fields, std::size_t itemsize) {
  py::list names;
  py::list formats;
  py::list offsets;
  for (const Field& field : fields) {
    names.append(field.name);
    formats.append(field.format);
    offsets.append(field.offset);
  }
  return py::dtype(names, formats, offsets, static_cast<py::ssize_t>(itemsize));
}

}  // namespace

const py::dtype& StateDtype() {
  static const auto* dtype = new py::dtype(MakeDtype(
      {
          {"shot_number", "i4", offsetof(CurlingStateRecord, shotNumber)},
          {"end_number", "i4", offsetof(CurlingStateRecord, endNumber)},
          {"server_value", "i4", offsetof(CurlingStateRecord, serverValue)},
          {"end_scores", "(10,)i4", offsetof(CurlingStateRecord, endScores)},
          {"side_to_move", "u1", offsetof(CurlingStateRecord, sideToMove)},
          {"stones", "(16,2)f4", offsetof(CurlingStateRecord, stones)},
      },
      sizeof(CurlingStateRecord)));
  return *dtype;
}

const py::dtype& ShotDtype() {
  static const auto* dtype = new py::dtype(MakeDtype(
      {
          {"vx", "f4", offsetof(ShotVelocity, vx)},
          {"vy", "f4", offsetof(ShotVelocity, vy)},
          {"curl", "u1", offsetof(ShotVelocity, curl)},
      },
      sizeof(ShotVelocity)));
  return *dtype;
}

std::optional<py::array> InLayout(const py::array& array, const py::dtype& expected) {
  const py::dtype dtype = array.dtype();
  if (dtype.is(expected) || dtype.equal(expected)) return array;
  if (!dtype.has_fields() || !dtype.attr("names").equal(expected.attr("names"))) {
    return std::nullopt;
  }
  const py::dict fields = dtype.attr("fields");
  const py::dict expectedFields = expected.attr("fields");
  for (const auto& [name, field] : expectedFields) {
    // Each entry is (dtype, offset): the field's type and shape must be the same.
    if (!fields[name].cast<py::tuple>()[0].equal(field.cast<py::tuple>()[0])) return std::nullopt;
  }
  return py::array(array.attr("astype")(expected));
}

}  // namespace curling_py
