#include "curling/parse_int.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>

namespace Curling {
namespace {

TEST(ParseInt, AcceptsWhatStoiAccepts) {
  const struct {
    std::string token;
    std::optional<int> value;
  } cases[] = {
      {"0", 0},
      {"15", 15},
      {"-2", -2},
      {"+4", 4},
      {"007", 7},
      {"  \t7", 7},
      {"\t\n\v\f\r5", 5},
      {"7x", 7},
      {"3 4", 3},
      {"3.9", 3},
      {"1e3", 1},
      {"0x10", 0},
      {"2\r\n", 2},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<int>::min()},
      {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt},
      {"99999999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"abc", std::nullopt},
      {"x7", std::nullopt},
      {"-", std::nullopt},
      {"+ 5", std::nullopt},
      {" ", std::nullopt},
      {"\n", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseInt(c.token), c.value) << '"' << c.token << '"';
  }
}

}  // namespace
}  // namespace Curling
