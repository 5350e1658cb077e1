#pragma once

#include <optional>
#include <string>

namespace Protocol {

// Conversions of number arguments. They accept what std::stoi and std::stod accept: leading white
// space and a sign, then a number; whatever follows the number is ignored ("7x" is 7). A token
// that holds no number, or whose value is out of range for the conversion, gives no value instead
// of an exception, so that a handler can check every argument before it stores any.

// A decimal integer in the range of int.
std::optional<int> ParseInt(const std::string& token);

// A double (decimal, hexadecimal, "inf" and "nan" included; a value whose magnitude overflows or
// underflows a double is out of range), narrowed to float. A finite double beyond the float range
// becomes an infinity of its sign, the value IEEE rounding to float gives.
std::optional<float> ParseCoordinate(const std::string& token);

// The IEEE round-to-nearest conversion of a double to float, written out for values beyond the
// float range, where a plain conversion is undefined in C++.
float NarrowToFloat(double value);

}  // namespace Protocol
