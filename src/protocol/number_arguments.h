#pragma once

#include <optional>
#include <string>

namespace Protocol {

// Conversion of coordinate arguments. It accepts what std::stod accepts: leading white space and a
// sign, then a number; whatever follows the number is ignored ("1.5x" is 1.5). A token that holds
// no number, or whose value is out of range, gives no value instead of an exception, so that a
// handler can check every argument before it stores any. Integer arguments are read with
// Curling::ParseInt (curling/parse_int.h).

// A double (decimal, hexadecimal, "inf" and "nan" included; a value whose magnitude overflows or
// underflows a double is out of range), narrowed to float. A finite double beyond the float range
// becomes an infinity of its sign, the value IEEE rounding to float gives.
std::optional<float> ParseCoordinate(const std::string& token);

// The IEEE round-to-nearest conversion of a double to float, written out for values beyond the
// float range, where a plain conversion is undefined in C++.
float NarrowToFloat(double value);

}  // namespace Protocol
