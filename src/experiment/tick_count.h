#pragma once

#include <cstdint>
#include <functional>

namespace Curling {

// A millisecond counter that only moves forward, read around every search of the experiment to
// time the shot. The engine reads GetTickCount; tests hand in a counter of their own.
using TickSource = std::function<std::int64_t()>;

// Milliseconds on the monotonic clock (std::chrono::steady_clock) since its own epoch. Only the
// difference of two readings means anything; it does not wrap.
std::int64_t GetTickCount();

}  // namespace Curling
