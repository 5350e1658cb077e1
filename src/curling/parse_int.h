#pragma once

#include <optional>
#include <string>

namespace Curling {

// Converts a decimal integer token the way std::stoi does: leading white space and a sign, then
// decimal digits; whatever follows the digits is ignored ("7x" is 7, "2\r\n" is 2). No value,
// instead of an exception, when the token does not start with a number (after white space and
// sign) or the number does not fit an int, so that a caller can check every argument before it
// stores any. The protocol's integer arguments and the counts of "Run" both read through it.
std::optional<int> ParseInt(const std::string& token);

}  // namespace Curling
