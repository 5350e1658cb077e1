#include "curling/parse_int.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace Curling {

std::optional<int> ParseInt(const std::string& token) {
  const char* begin = token.c_str();
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE) return std::nullopt;
  if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(value);
}

}  // namespace Curling
