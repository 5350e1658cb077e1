// GO under faults, through the engine program: input that ends while a search runs, output closed
// by the server during a search, and commands that arrive while the engine is searching. Every
// search runs its full five seconds, so this suite carries the CTest label "slow".
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "best_shot_reply.h"
#include "engine_checks.h"
#include "engine_process.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;

// A search takes about five seconds (far more under a sanitizer); this much means a stuck engine.
constexpr std::chrono::milliseconds kGoTimeout{90000};

TEST(GoFaults, InputClosedDuringASearchStillGetsTheReplyThenTheEngineEnds) {
  EngineProcess engine(kEngine);
  ASSERT_TRUE(engine.Send("SETSTATE 3 0 0 1"));
  ASSERT_TRUE(engine.Send("GO"));  // taken from the pipe: the search is running
  ExpectCleanExit(engine.Finish(kGoTimeout));
  EXPECT_TRUE(IsBestShotReplies(engine.output())) << engine.output();
}

TEST(GoFaults, OutputClosedDuringASearchDoesNotStopTheEngine) {
  EngineProcess engine(kEngine);
  ASSERT_TRUE(engine.Send("GO"));
  engine.CloseOutput();  // the reply finds no reader
  // The engine goes on taking commands, a second search included, and ends with its input.
  ASSERT_TRUE(engine.Send("ISREADY", kGoTimeout));
  ASSERT_TRUE(engine.Send("GO", kGoTimeout));
  ASSERT_TRUE(engine.Send("ShowAll", kGoTimeout));
  ExpectCleanExit(engine.Finish(kGoTimeout));
}

// Commands written while the engine searches are read, one each, only after the reply; the last
// is cut short by the end of the input and is handled as the command it is.
TEST(GoFaults, CommandsSentDuringASearchFollowTheReplyInOrder) {
  EngineProcess engine(kEngine);
  ASSERT_TRUE(engine.Send("GO"));
  ASSERT_TRUE(engine.Send("SETSTATE 3 1 10 0", kGoTimeout));  // waits until the search is over
  ASSERT_TRUE(engine.Send("ShowAll"));
  ASSERT_TRUE(engine.Send("ISREADY"));
  ASSERT_TRUE(engine.Send("ISREA"));
  ExpectCleanExit(engine.Finish());
  const std::string dump =
      "current_shot_number : 3 ;  \ncurrent_end_number : 1\n"
      "Score : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n";
  const std::string tail = dump + "READYOK" + "illegal command ISREA \n \n";
  const std::string& out = engine.output();
  ASSERT_GT(out.size(), tail.size());
  EXPECT_TRUE(IsBestShotReplies(out.substr(0, out.size() - tail.size()))) << out;
  EXPECT_EQ(tail, out.substr(out.size() - tail.size()));
}

}  // namespace
}  // namespace E2E
