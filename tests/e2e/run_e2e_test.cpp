// The "Run" experiment through the built engine, for the runs whose output is fixed: no shot is
// played, so the output does not depend on the search or the simulator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_process.h"
#include "golden_session.h"
#include "run_e2e_support.h"

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;

const std::string kHeader =
    "Name : Count : Size : ShotNum : Pow : Type : Rate : win : playout : time\n";
const std::string kTenZeros = "0,0,0,0,0,0,0,0,0,0,\n";

std::string Summary(int draws) {
  return "Primitivewin 0\nUCTwin 0\ndraw num " + std::to_string(draws) + "\nRun Command End\n";
}

// What the engine writes for the commands, sent one per write, and what its directory then holds.
struct Outcome {
  std::string output;
  std::string shot;
  std::string result;
  std::string aggregate;
};

Outcome RunCommands(const RunDirectory& dir, const std::vector<std::string>& commands) {
  EngineProcess engine = dir.Start(kEngine);
  for (const std::string& command : commands) {
    EXPECT_TRUE(engine.Send(command)) << Printable(command);
  }
  const ExitResult exit = engine.Finish();
  EXPECT_TRUE(exit.exited && exit.status == 0) << "status " << exit.status;
  return Outcome{engine.output(), dir.Read("shot.txt"), dir.Read("result.txt"),
                 dir.Read("aggregate.txt")};
}

void WriteEarlierReports(const RunDirectory& dir) {
  dir.Write("shot.txt", "Primitive,1,2,0,-1,TEE,0.5,1,2,5004\n");
  dir.Write("result.txt", "1,0,0,0,0,0,0,0,0,0,\n");
  dir.Write("aggregate.txt", "1,0,0\n");
}

TEST(RunCommand, ZeroGamesWriteHeaderSummaryAndEmptyReports) {
  RunDirectory dir;
  WriteEarlierReports(dir);
  const Outcome o = RunCommands(dir, {"Run 0"});
  EXPECT_EQ(o.output, kHeader + Summary(0)) << Printable(o.output);
  EXPECT_EQ(o.shot, "");
  EXPECT_EQ(o.result, "");
  EXPECT_EQ(o.aggregate, "0,0,0\n");
}

// Two games of no end, asked for in lower case and ended by a carriage return and line feed,
// between commands that set and show the state: two draws in the reports, and the engine goes on
// with its own state. Which counts are read, ignored or refused is the unit tables' (run_command
// and run_arguments tests); here only what needs the built program.
TEST(RunCommand, TheEngineGoesOnWithItsOwnStateUnchanged) {
  RunDirectory dir;
  const Outcome o = RunCommands(
      dir, {"SETSTATE 3 2 1 1", "SCORE -2", "ShowAll", "run 2 0\r\n", "ShowAll", "ISREADY"});
  const std::string state =
      "current_shot_number : 3 ;  \ncurrent_end_number : 2\n"
      "Score : 0, 0, -2, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n";
  EXPECT_EQ(o.output, state + kHeader + Summary(2) + state + "READYOK") << Printable(o.output);
  EXPECT_EQ(o.shot, "");
  EXPECT_EQ(o.result, kTenZeros + kTenZeros);
  EXPECT_EQ(o.aggregate, "0,0,2\n");
}

}  // namespace
}  // namespace E2E
