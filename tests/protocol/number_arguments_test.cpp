#include "protocol/number_arguments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace Protocol {
namespace {

TEST(ParseCoordinate, FollowsStandardDoubleConversionThenFloat) {
  const struct {
    std::string token;
    std::optional<float> value;
  } cases[] = {
      {"2.375", 2.375f},
      {"4.88", 4.88f},
      {"-1", -1.0f},
      {" +0.5", 0.5f},
      {"1e1", 10.0f},
      {"1.5abc", 1.5f},
      {"0x1p3", 8.0f},
      {"3.2\n", 3.2f},
      {"inf", std::numeric_limits<float>::infinity()},
      {"-INFINITY", -std::numeric_limits<float>::infinity()},
      {"1e300", std::numeric_limits<float>::infinity()},  // a double, beyond float
      {"-1e39", -std::numeric_limits<float>::infinity()},
      {"1e-50", 0.0f},           // a double, below float's smallest
      {"1e400", std::nullopt},   // beyond double
      {"1e-400", std::nullopt},  // below double
      {"", std::nullopt},
      {"x", std::nullopt},
      {".", std::nullopt},
      {"\n", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::optional<float> parsed = ParseCoordinate(c.token);
    ASSERT_EQ(c.value.has_value(), parsed.has_value()) << '"' << c.token << '"';
    if (c.value) {
      EXPECT_EQ(*c.value, *parsed) << '"' << c.token << '"';
    }
  }
  const std::optional<float> nan = ParseCoordinate("nan");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));
}

TEST(NarrowToFloat, RoundsToNearestAtTheEdgeOfTheFloatRange) {
  const float max = std::numeric_limits<float>::max();
  const float inf = std::numeric_limits<float>::infinity();
  EXPECT_EQ(max, NarrowToFloat(static_cast<double>(max)));
  EXPECT_EQ(max, NarrowToFloat(0x1.fffffefffffffp127));  // just below the halfway point
  EXPECT_EQ(inf, NarrowToFloat(0x1.ffffffp127));         // the halfway point rounds to even: inf
  EXPECT_EQ(-inf, NarrowToFloat(-0x1.ffffffp127));
  EXPECT_EQ(inf, NarrowToFloat(std::numeric_limits<double>::max()));
  EXPECT_EQ(-inf, NarrowToFloat(-std::numeric_limits<double>::infinity()));
  EXPECT_EQ(0.1f, NarrowToFloat(0.1));
  EXPECT_TRUE(std::signbit(NarrowToFloat(-std::numeric_limits<double>::quiet_NaN())));
}

}  // namespace
}  // namespace Protocol
