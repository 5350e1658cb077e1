#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace Curling {

// Size of the buffer a formatted write is built in; also the longest format string accepted.
inline constexpr std::size_t kFormattedWriteBufferSize = 1024;

// Writes printf-style text to the reply channel as one raw write, the way the experiment's table
// rows reach standard output without passing through the diagnostic stream's buffer.
// - A format string longer than 1024 characters: nothing is written, returns false.
// - Otherwise the text is formatted into a zero-filled 1024-byte buffer; what does not fit is cut
//   off (at most 1023 characters go out, nothing beyond the buffer is read or written). The
//   formatted characters, without a terminating zero, are handed to `reply` in one call, and its
//   result is returned. A conversion that fails (an encoding error) writes nothing: false.
bool FormattedWrite(const std::function<bool(std::string_view)>& reply, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

}  // namespace Curling
