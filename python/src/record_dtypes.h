#pragma once

#include <pybind11/numpy.h>

#include <optional>

namespace curling_py {

// The numpy structured dtypes of the simulator's records, with the C layouts' exact offsets and
// sizes, so that an array of them is the block of records the C functions read and write.
//   state (184 bytes): shot_number, end_number, server_value (int32), end_scores (int32 x 10),
//                      side_to_move (uint8, then 3 bytes of padding), stones (float32 16 x 2)
//   shot (12 bytes):   vx, vy (float32), curl (uint8, then 3 bytes of padding)
// Each is built once and never destroyed (it would outlive the interpreter); callers hold the GIL.
const pybind11::dtype& StateDtype();
const pybind11::dtype& ShotDtype();

// `array` in the layout of `expected`: itself when its dtype is equal, a converted copy when it
// has the same fields at other offsets (numpy packs structured dtypes when it stacks or
// concatenates arrays of them), nothing when its fields differ.
std::optional<pybind11::array> InLayout(const pybind11::array& array,
                                        const pybind11::dtype& expected);

}  // namespace curling_py
