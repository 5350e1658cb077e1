#include "search/go_command.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>

#include "search_test_support.h"
#include "shots/candidate_list.h"
#include "shots/random.h"

namespace Curling {
namespace {

using Testing::StepConfig;

ShotVelocity Velocity(float vx, float vy, std::uint8_t curl) {
  ShotVelocity v{};
  v.vx = vx;
  v.vy = vy;
  std::memcpy(&v.curl, &curl, 1);
  return v;
}

TEST(FormatBestShotTest, PrintsBothComponentsWithSixDecimalsAndTheCurlByte) {
  const float largest = std::numeric_limits<float>::max();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    ShotVelocity velocity;
    const char* text;
  };
  const Case cases[] = {
      {Velocity(0.1f, 2.5f, 1), "BESTSHOT 0.100000 2.500000 1"},
      {Velocity(-0.25f, 3.0f, 0), "BESTSHOT -0.250000 3.000000 0"},
      {Velocity(0.0f, -0.0f, 0), "BESTSHOT 0.000000 -0.000000 0"},
      {Velocity(0.0000004f, -2.249999f, 1), "BESTSHOT 0.000000 -2.249999 1"},
      {Velocity(-0.1f, -30.0f, 1), "BESTSHOT -0.100000 -30.000000 1"},
      {Velocity(inf, -inf, 0), "BESTSHOT inf -inf 0"},
      {Velocity(largest, -largest, 2),
       "BESTSHOT 340282346638528859811704183484516925440.000000 "
       "-340282346638528859811704183484516925440.000000 2"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatBestShot(c.velocity), c.text);
  EXPECT_EQ(FormatBestShot(Velocity(0.1f, 2.5f, 1)).size(), 28u);
  EXPECT_NE(FormatBestShot(Velocity(std::nanf(""), 1.0f, 0)).find("nan"), std::string::npos);
}

// Output sinks that keep every reply apart.
struct CapturedOutput {
  std::ostringstream log;
  std::vector<std::string> replies;
  EngineOutput out{log, [this](std::string_view reply) {
                     replies.emplace_back(reply);
                     return true;
                   }};
};

TEST(AnswerGoTest, WritesOneReplyWithTheBestChildsRelease) {
  CapturedOutput sink;
  CurlingGameState state;  // empty sheet: all rewards 0, the first child of the shuffled list wins
  const CurlingGameState before = state;
  EXPECT_TRUE(AnswerGo(state, StepConfig(sink.log, 4), sink.out));
  ASSERT_EQ(sink.replies.size(), 1u);
  CandidateList expected = BuildCandidateList(state, sink.log);
  ShuffleFixedSeed(expected);
  EXPECT_EQ(sink.replies[0], FormatBestShot(expected.front().value.shot.velocity));
  EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
  EXPECT_EQ(sink.log.str(), "");
}

TEST(AnswerGoTest, APositionWithoutCandidatesIsAnsweredWithTheTee) {
  CapturedOutput sink;
  CurlingGameState state;
  state.shotNumber = 12;
  state.stones[5] = StonePosition{1.0f, 6.0f};
  const std::uint8_t side = 7;
  std::memcpy(&state.sideToMove, &side, 1);
  EXPECT_TRUE(AnswerGo(state, StepConfig(sink.log, 1'000'000), sink.out));
  // The fake's draw release to (2.375, 4.88) with curl 1.
  EXPECT_EQ(sink.replies, std::vector<std::string>{"BESTSHOT 0.125000 -4.880000 1"});
  EXPECT_EQ(sink.log.str(), "State error\nerror");
}

TEST(AnswerGoTest, StatesOutsideTheRecordsLimitsAreStillAnswered) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* name;
    int shotNumber;
    int endNumber;
    StonePosition stone;
  };
  const Case cases[] = {
      {"shot 16", 16, 0, {2.0f, 5.0f}},
      {"shot -5", -5, 0, {2.0f, 5.0f}},
      {"shot min", std::numeric_limits<int>::min(), 3, {2.0f, 5.0f}},
      {"end 12", 6, 12, {2.0f, 5.0f}},
      {"end -3", 15, -3, {2.0f, 5.0f}},
      {"huge", 7, 1, {3e38f, 1e30f}},
      {"infinite", 7, 1, {inf, inf}},
      {"not a number", 7, 1, {nan, 2.0f}},
  };
  for (const Case& c : cases) {
    CapturedOutput sink;
    CurlingGameState state;
    state.shotNumber = c.shotNumber;
    state.endNumber = c.endNumber;
    state.stones[0] = c.stone;
    state.stones[1] = StonePosition{2.5f, 4.5f};
    EXPECT_TRUE(AnswerGo(state, StepConfig(sink.log, 6), sink.out)) << c.name;
    ASSERT_EQ(sink.replies.size(), 1u) << c.name;
    EXPECT_EQ(sink.replies[0].rfind("BESTSHOT ", 0), 0u) << c.name << ": " << sink.replies[0];
  }
}

}  // namespace
}  // namespace Curling
