#include "commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>
#include <vector>

#include "shot_seed.h"

namespace Match {
namespace {

std::vector<std::string> Tokens(const std::string& text) {
  std::vector<std::string> tokens;
  std::istringstream in(text);
  for (std::string t; in >> t;) tokens.push_back(t);
  return tokens;
}

TEST(Commands, PositionCarriesEveryStoneExactly) {
  CurlingStateRecord state{};
  for (int i = 0; i < 16; ++i) {
    state.stones[i] = {2.375f + 0.1234567f * i, 4.88f + 0.7654321f * i};
  }
  state.stones[3] = {0.0f, 0.0f};
  state.stones[5] = {std::numeric_limits<float>::quiet_NaN(), 3.0f};
  std::string text = FormatPosition(state);
  EXPECT_LT(text.size(), 1024u);  // one read of the engine
  std::vector<std::string> tokens = Tokens(text);
  ASSERT_EQ(tokens.size(), 33u);
  EXPECT_EQ(tokens[0], "POSITION");
  EXPECT_EQ(text.find("  "), std::string::npos);
  for (int i = 0; i < 16; ++i) {
    // The engine converts each token to a double and stores it as a float.
    float x = static_cast<float>(std::strtod(tokens[1 + 2 * i].c_str(), nullptr));
    float y = static_cast<float>(std::strtod(tokens[2 + 2 * i].c_str(), nullptr));
    if (i == 5) {
      EXPECT_EQ(x, 0.0f);  // not a number goes out as out of play
      continue;
    }
    EXPECT_EQ(x, state.stones[i].x) << i;
    EXPECT_EQ(y, state.stones[i].y) << i;
  }
  // The longest coordinates still fit one read.
  for (auto& stone : state.stones) stone = {-1.17549435e-38f, -3.40282347e+38f};
  EXPECT_LT(FormatPosition(state).size(), 1024u);
}

TEST(Commands, SetStateAndScore) {
  EXPECT_EQ(FormatSetState(3, 1, 0, 1), "SETSTATE 3 1 0 1");
  EXPECT_EQ(FormatSetState(0, 9, 0, 0), "SETSTATE 0 9 0 0");
  EXPECT_EQ(FormatScore(-2), "SCORE -2");
  EXPECT_EQ(FormatScore(0), "SCORE 0");
}

TEST(ShotSeed, ReproducibleNonNegativeAndDistinctPerShot) {
  EXPECT_EQ(ShotSeed(42, 1, 2, 3), ShotSeed(42, 1, 2, 3));
  std::vector<int> seen;
  for (int game = 0; game < 3; ++game) {
    for (int end = 0; end < 10; ++end) {
      for (int shot = 0; shot < 16; ++shot) {
        int seed = ShotSeed(7, game, end, shot);
        EXPECT_GE(seed, 0);
        seen.push_back(seed);
      }
    }
  }
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
  EXPECT_NE(ShotSeed(7, 0, 0, 0), ShotSeed(8, 0, 0, 0));
  EXPECT_NE(ShotSeed(7, 0, 1, 0), ShotSeed(7, 1, 0, 0));  // game and end do not commute
}

TEST(ShotSeed, SplitMix64KnownOutputs) {
  // The first outputs of SplitMix64 seeded with 0 (state advanced by the golden gamma).
  EXPECT_EQ(SplitMix64(0), 0xe220a8397b1dcdafULL);
  EXPECT_EQ(SplitMix64(0x9e3779b97f4a7c15ULL), 0x6e789e6aa1b965f4ULL);
}

}  // namespace
}  // namespace Match
