// The engine program under the faults a game server, an operator or a broken pipe cause: input that
// ends in the middle of a command, output nobody reads, standard handles that are not there, and
// commands cut or joined differently from one per read.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "engine_checks.h"
#include "engine_process.h"
#include "golden_session.h"

extern char** environ;

namespace E2E {
namespace {

const std::string kEngine = CURLING_ENGINE_PATH;

// Commands as the server sends them, one read each, and everything the engine must write.
struct SessionCase {
  const char* name;
  std::vector<std::string> commands;
  std::string expected;
};

void PrintTo(const SessionCase& c, std::ostream* os) {
  *os << c.name;
}

class Sessions : public testing::TestWithParam<SessionCase> {};

TEST_P(Sessions, EachReadIsOneCommand) {
  const SessionCase& c = GetParam();
  const SessionRun run = RunSession(kEngine, c.commands);
  EXPECT_EQ("", run.failure);
  ExpectCleanExit(run.exit);
  EXPECT_EQ(c.expected, run.output) << "actual:\n" << Printable(run.output);
}

// A dump of the state after SETSTATE 3 1 10 0 and SCORE 2.
const std::string kSetDump =
    "current_shot_number : 3 ;  \ncurrent_end_number : 1\n"
    "Score : 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n";

// A command whose text arrives over two reads is two commands: the first part with its own token
// count, the second beginning with whatever the cut left. Neither may change the state.
INSTANTIATE_TEST_SUITE_P(
    SplitOverTwoReads, Sessions,
    testing::Values(SessionCase{"SetStateCutInTheMiddle",
                                {"SETSTATE 3 1", " 10 0", "ShowAll"},
                                "error argment size\nillegal command  10 0 \n \n" + kResetDump},
                    SessionCase{"ScoreCutAfterTheWord",
                                {"SETSTATE 3 1 10 0", "SCORE 2", "SCORE", " 5", "ShowAll"},
                                "error argment size\nillegal command  5 \n \n" + kSetDump},
                    SessionCase{"WordCutInTwo",
                                {"ISRE", "ADY", "ShowAll"},
                                "illegal command ISRE \n \nillegal command ADY \n \n" + kResetDump},
                    SessionCase{"PositionCutInHalf",
                                {"POSITION 2 5 2.5 6 1 1 1 1 1 1 1 1 1 1 1 1",
                                 "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1", "ShowAll"},
                                "error argument size\n"
                                "illegal command 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 \n \n" +
                                    kResetDump},
                    SessionCase{"NumberCutInTwo",
                                {"SETSTATE 3 1 10 0", "SCORE 1", "2", "ShowAll"},
                                "illegal command 2 \n \n"
                                "current_shot_number : 3 ;  \ncurrent_end_number : 1\n"
                                "Score : 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n"}),
    [](const testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

// Several commands in one read are one command: the first word decides, the rest are its arguments.
INSTANTIATE_TEST_SUITE_P(
    SeveralInOneRead, Sessions,
    testing::Values(
        // Extra tokens do not matter to ISREADY: one reply, not two.
        SessionCase{"ReadyTwice", {"ISREADY ISREADY"}, "READYOK"},
        SessionCase{"ReadyThenDump", {"ISREADY ShowAll"}, "READYOK"},
        SessionCase{
            "ResetThenReady", {"SETSTATE 3 1 10 0", "GAMEOVER ISREADY", "ShowAll"}, kResetDump},
        SessionCase{"ScoreThenReady",
                    {"SETSTATE 3 1 10 0", "SCORE 2", "SCORE 3 ISREADY", "ShowAll"},
                    "error argment size\n" + kSetDump},
        SessionCase{"SetStateThenDump",
                    {"SETSTATE 3 1 10 0 ShowAll", "ShowAll"},
                    "error argment size\n" + kResetDump},
        SessionCase{"DumpThenReady", {"ShowAll ISREADY"}, kResetDump},
        // Joined with line feeds, as a console or a careless server might: one unknown word.
        SessionCase{
            "JoinedByLineFeeds", {"ISREADY\nShowAll"}, "illegal command ISREADY\nShowAll \n \n"}),
    [](const testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

// Input that ends in the middle of a command: the part that came is handled as one command, then
// the engine ends with status 0 instead of reading an empty input for ever.
INSTANTIATE_TEST_SUITE_P(
    InputEndsMidCommand, Sessions,
    testing::Values(
        SessionCase{"HalfAWord", {"ISREA"}, "illegal command ISREA \n \n"},
        SessionCase{"HalfAPosition", {"POSITION 1 2 3"}, "error argument size\n"},
        SessionCase{"SetStateWithoutItsSide", {"SETSTATE 3 1 10"}, "error argment size\n"},
        SessionCase{"AWordAndItsSpace", {"SCORE "}, "error argument value\n"},
        SessionCase{"AfterAReply", {"ISREADY", "SHOW"}, "READYOKillegal command SHOW \n \n"}),
    [](const testing::TestParamInfo<SessionCase>& info) { return std::string(info.param.name); });

TEST(OutputClosed, TheEngineGoesOnReadingAndEndsWithItsInput) {
  EngineProcess engine(kEngine);
  ASSERT_TRUE(engine.Send("ISREADY"));
  ASSERT_TRUE(engine.WaitForOutput("READYOK"));
  engine.CloseOutput();
  // Replies and diagnostics now fail. Every command must still be read, one at a time: an engine
  // that crashed or stopped reading would leave them in the pipe.
  for (int i = 0; i < 50; ++i) {
    ASSERT_TRUE(engine.Send("ISREADY")) << i;
    ASSERT_TRUE(engine.Send("ShowAll")) << i;
    ASSERT_TRUE(engine.Send("POSITION 1")) << i;
    ASSERT_TRUE(engine.Send("nonsense")) << i;
  }
  ExpectCleanExit(engine.Finish());
}

// Starts the engine with standard input and output set up by the given file actions (anything not
// changed is inherited from the test) and waits for it to end; kills it after kStepTimeout.
ExitResult RunWithHandles(posix_spawn_file_actions_t* actions) {
  char* argv[] = {const_cast<char*>(kEngine.c_str()), nullptr};
  pid_t pid = -1;
  ExitResult result;
  if (::posix_spawn(&pid, kEngine.c_str(), actions, nullptr, argv, environ) != 0) {
    ADD_FAILURE() << "cannot start " << kEngine;
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + kStepTimeout;
  while (true) {
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) {
      result.exited = WIFEXITED(status);
      result.status = WIFEXITED(status) ? WEXITSTATUS(status) : WTERMSIG(status);
      return result;
    }
    if (r < 0 && errno != EINTR) return result;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      result.timedOut = true;
      return result;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// A file holding one command, removed when the test ends.
class CommandFile {
 public:
  explicit CommandFile(const std::string& command)
      : path_(std::filesystem::temp_directory_path() /
              ("curling-fault-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++))) {
    std::ofstream(path_, std::ios::binary) << command;
  }
  ~CommandFile() { std::filesystem::remove(path_); }
  std::string path() const { return path_.string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

// How the engine's standard input and output are set up for one run.
struct HandleCase {
  const char* name;
  const char* input;  // the one command in the input file; null: no standard input at all
  bool closeOutput;   // no standard output at all
};

void PrintTo(const HandleCase& c, std::ostream* os) {
  *os << c.name;
}

class MissingHandles : public testing::TestWithParam<HandleCase> {};

TEST_P(MissingHandles, TheEngineEndsCleanly) {
  const HandleCase& c = GetParam();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  std::optional<CommandFile> file;
  if (c.input == nullptr) {
    posix_spawn_file_actions_addclose(&actions, 0);
  } else {
    file.emplace(c.input);
    posix_spawn_file_actions_addopen(&actions, 0, file->path().c_str(), O_RDONLY, 0);
  }
  if (c.closeOutput) {
    posix_spawn_file_actions_addclose(&actions, 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  const ExitResult exit = RunWithHandles(&actions);
  posix_spawn_file_actions_destroy(&actions);
  ExpectCleanExit(exit);
}

INSTANTIATE_TEST_SUITE_P(Faults, MissingHandles,
                         testing::Values(HandleCase{"NoInput", nullptr, false},
                                         HandleCase{"NoInputNoOutput", nullptr, true},
                                         HandleCase{"EmptyInput", "", false},
                                         HandleCase{"ReplyWithoutOutput", "ISREADY", true},
                                         HandleCase{"DumpWithoutOutput", "ShowAll", true},
                                         HandleCase{"ErrorLineWithoutOutput", "SCORE", true},
                                         HandleCase{"IllegalWithoutOutput", "HELLO", true}),
                         [](const testing::TestParamInfo<HandleCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace E2E
