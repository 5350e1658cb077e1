// GO through the engine program: each search runs its full five seconds, so these tests are slow
// (CTest label "slow"). Replies are checked for their exact format and for what follows them; the
// time to each reply is printed, not asserted: the machine may be shared.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <string>

#include "best_shot_reply.h"
#include "engine_checks.h"
#include "engine_process.h"

namespace E2E {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kEngine = CURLING_ENGINE_PATH;

// A search takes about five seconds; this much means the engine is stuck.
constexpr std::chrono::milliseconds kGoTimeout{60000};

// The sixteen stones of a mid-end position (slots 0 to 6 in play), as POSITION arguments.
const std::string kMidEnd =
    "POSITION 2.3 4.9 1.9 5.6 2.8 6.9 0 0 2.4 3.9 0 0 1.6 4.2 2.0 8.0 "
    "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0";

// Sends `command` (a GO), waits for its reply and returns the milliseconds it took. The reply is
// written in one write, so it arrives whole.
long long TimedGo(EngineProcess& engine, const std::string& command) {
  const std::size_t from = engine.output().size();
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(engine.Send(command, kGoTimeout));
  EXPECT_TRUE(engine.WaitForOutput("BESTSHOT", from, kGoTimeout));
  const auto elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  std::cerr << "[ timing   ] \"" << command << "\" answered in " << elapsed << " ms\n";
  return elapsed;
}

// Marks the end of the output so far with "READYOK" (ISREADY also resets the state) and returns
// the output from `from` up to the mark.
std::string OutputUpToReady(EngineProcess& engine, std::size_t from) {
  const std::size_t mark = engine.output().size();
  EXPECT_TRUE(engine.Send("ISREADY", kGoTimeout));
  EXPECT_TRUE(engine.WaitForOutput("READYOK", mark, kGoTimeout));
  const std::size_t ready = engine.output().find("READYOK", mark);
  if (ready == std::string::npos) return engine.output().substr(from);
  return engine.output().substr(from, ready - from);
}

TEST(GoCommand, ReplyCheckAcceptsOnlyTheExactFormat) {
  EXPECT_TRUE(IsBestShotReplies("BESTSHOT 0.100000 2.500000 1"));
  EXPECT_TRUE(IsBestShotReplies("BESTSHOT -0.250000 -30.000000 0"));
  EXPECT_TRUE(IsBestShotReplies("BESTSHOT 1.000000 2.000000 0BESTSHOT 3.000000 4.000000 1", 2));
  EXPECT_TRUE(IsBestShotReplies("BESTSHOT inf -nan 1", 1, true));
  for (const char* bad : {"", "BESTSHOT 0.100000 2.500000 1\n", "BESTSHOT 0.1 2.500000 1",
                          "BESTSHOT 0.100000 2.500000 2", "BESTSHOT 0.100000  2.500000 1",
                          "BESTSHOT .100000 2.500000 1", "BESTSHOT 0.100000 2.500000",
                          "bestshot 0.100000 2.500000 1", "BESTSHOT inf 2.500000 1"}) {
    EXPECT_FALSE(IsBestShotReplies(bad)) << bad;
  }
}

// GOs in a row, each read only once the one before it is answered, give their replies back to
// back, each without a line end, whatever tokens follow the word.
TEST(GoCommand, GosInARowGiveRepliesBackToBackWhateverFollowsTheWord) {
  EngineProcess engine(kEngine);
  ASSERT_TRUE(engine.Send(kMidEnd));
  ASSERT_TRUE(engine.Send("SETSTATE 7 3 0 1"));
  for (const char* go : {"GO", "GO 1 2 3", "GO ", "GO whatever else"}) {
    ASSERT_TRUE(engine.Send(go, kGoTimeout)) << go;
  }
  const std::string replies = OutputUpToReady(engine, 0);
  EXPECT_TRUE(IsBestShotReplies(replies, 4)) << replies;
  ExpectCleanExit(engine.Finish());
}

TEST(GoCommand, LeavesTheStateAsItWas) {
  EngineProcess engine(kEngine);
  ASSERT_TRUE(engine.Send(kMidEnd));
  ASSERT_TRUE(engine.Send("SETSTATE 14 5 0 0"));
  ASSERT_TRUE(engine.Send("SCORE -2"));
  ASSERT_TRUE(engine.Send("ShowAll"));
  TimedGo(engine, "GO");
  ASSERT_TRUE(engine.Send("ShowAll", kGoTimeout));
  const std::string output = OutputUpToReady(engine, 0);
  const std::size_t replyAt = output.find("BESTSHOT");
  ASSERT_NE(replyAt, std::string::npos) << output;
  const std::string before = output.substr(0, replyAt);
  const std::string rest = output.substr(replyAt);
  const std::size_t replyLength = BestShotLength(rest);
  ASSERT_NE(replyLength, 0u) << rest;
  EXPECT_NE(before, "");
  EXPECT_EQ(rest.substr(replyLength), before);
  ExpectCleanExit(engine.Finish());
}

// Positions the server may send although they lie outside the record's limits: the engine still
// answers within its usual time and goes on with the next command.
class GoOutsideTheLimits : public testing::TestWithParam<std::vector<std::string>> {};

TEST_P(GoOutsideTheLimits, StillAnswersAndGoesOn) {
  EngineProcess engine(kEngine);
  for (const std::string& command : GetParam()) ASSERT_TRUE(engine.Send(command));
  const std::size_t from = engine.output().size();
  TimedGo(engine, "GO");
  const std::string output = OutputUpToReady(engine, from);
  // Diagnostic lines may come first; the reply is the text after the last line feed.
  const std::string reply = output.substr(output.rfind('\n') + 1);
  EXPECT_TRUE(IsBestShotReplies(reply, 1, true)) << output;
  ExpectCleanExit(engine.Finish());
}

// Test names of the states below, in their order.
std::string StateName(const testing::TestParamInfo<std::vector<std::string>>& info) {
  static const char* const kNames[] = {"Shot16",        "ShotMinus5",      "End12Closing",
                                       "End12",         "HugeCoordinates", "InfiniteCoordinates",
                                       "NaNCoordinates"};
  return kNames[info.index];
}

INSTANTIATE_TEST_SUITE_P(
    States, GoOutsideTheLimits,
    testing::Values(std::vector<std::string>{kMidEnd, "SETSTATE 16 0 0 0"},
                    std::vector<std::string>{kMidEnd, "SETSTATE -5 0 0 1"},
                    std::vector<std::string>{"SETSTATE 15 12 0 0", "SCORE 3"},
                    std::vector<std::string>{kMidEnd, "SETSTATE 6 12 0 1"},
                    std::vector<std::string>{
                        "POSITION 1e30 3e38 -1e30 1e38 0 0 0 0 0 0 0 0 0 0 0 0 "
                        "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
                        "SETSTATE 7 1 0 1"},
                    std::vector<std::string>{"POSITION inf inf 2.3 4.9 -inf 5 0 0 0 0 0 0 0 0 0 0 "
                                             "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
                                             "SETSTATE 9 1 0 0"},
                    std::vector<std::string>{"POSITION nan 4.9 2.3 nan nan nan 0 0 0 0 0 0 0 0 0 0 "
                                             "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
                                             "SETSTATE 2 1 0 0"}),
    StateName);

}  // namespace
}  // namespace E2E
