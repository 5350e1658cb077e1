#include "protocol/number_arguments.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace Protocol {

std::optional<float> ParseCoordinate(const std::string& token) {
  const char* begin = token.c_str();
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE) return std::nullopt;
  return NarrowToFloat(value);
}

float NarrowToFloat(double value) {
  // A NaN fails both comparisons and converts as it is, sign included.
  // Halfway between the largest float and 2^128: from here on IEEE rounding gives infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (value >= kOverflow) return std::numeric_limits<float>::infinity();
  if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

}  // namespace Protocol
