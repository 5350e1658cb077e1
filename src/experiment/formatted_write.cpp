#include "experiment/formatted_write.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace Curling {

bool FormattedWrite(const std::function<bool(std::string_view)>& reply, const char* format, ...) {
  if (format == nullptr ||
      ::strnlen(format, kFormattedWriteBufferSize + 1) > kFormattedWriteBufferSize) {
    return false;
  }
  std::array<char, kFormattedWriteBufferSize> buffer{};
  std::va_list args;
  va_start(args, format);
  const int wanted = std::vsnprintf(buffer.data(), buffer.size(), format, args);
  va_end(args);
  if (wanted < 0) return false;
  // vsnprintf keeps the last byte for the terminating zero: a longer text is cut to 1023 bytes.
  const std::size_t length = std::min(static_cast<std::size_t>(wanted), buffer.size() - 1);
  return reply(std::string_view(buffer.data(), length));
}

}  // namespace Curling
