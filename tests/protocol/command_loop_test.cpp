#include "protocol/command_loop.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "ignore_command.h"

namespace Protocol {
namespace {

// A pipe already holding the given bytes, its write end closed: the loop reads them, then sees the
// end of input. No process and no stdin involved.
class FilledPipe {
 public:
  explicit FilledPipe(const std::string& bytes) {
    EXPECT_EQ(0, ::pipe(fds_));
    EXPECT_EQ(static_cast<ssize_t>(bytes.size()), ::write(fds_[1], bytes.data(), bytes.size()));
    ::close(fds_[1]);
  }
  ~FilledPipe() { ::close(fds_[0]); }
  int readEnd() const { return fds_[0]; }

 private:
  int fds_[2] = {-1, -1};
};

// Runs the loop over the bytes and returns the log; "Run" records the tokens it gets.
struct LoopRun {
  std::ostringstream log;
  std::string replies;
  std::vector<std::vector<std::string>> runCalls;
  bool runResult = true;
  int status = -1;

  explicit LoopRun(const std::string& bytes, bool runResult_ = true) : runResult(runResult_) {
    Curling::EngineOutput out{log, [this](std::string_view r) {
                                replies += r;
                                return true;
                              }};
    CommandProcessor processor(
        IgnoreCommand, [this](const std::vector<std::string>& tokens, Curling::CurlingGameState&,
                              Curling::EngineOutput&) {
          runCalls.push_back(tokens);
          return runResult;
        });
    FilledPipe pipe(bytes);
    status = RunCommandLoop(pipe.readEnd(), processor, out);
  }
};

TEST(CommandText, StopsAtTheFirstZeroByteWithinTheBytesRead) {
  const char bytes[] = {'A', 'B', '\0', 'C', 'D'};
  EXPECT_EQ("AB", CommandText(bytes, 5));
  EXPECT_EQ("A", CommandText(bytes, 1));
  EXPECT_EQ("", CommandText(bytes, 0));
  const char noZero[] = {'X', 'Y', 'Z'};  // a full buffer: nothing beyond it is read
  EXPECT_EQ("XYZ", CommandText(noZero, 3));
}

TEST(RunCommandLoop, EndOfInputEndsWithStatusZero) {
  LoopRun run("");
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("", run.log.str());
}

TEST(RunCommandLoop, OneReadIsOneCommand) {
  // Everything the pipe holds arrives in one read, so two words written together are one command.
  LoopRun run("ISREADY ISREADY");
  EXPECT_EQ(0, run.status);
  EXPECT_EQ("READYOK", run.replies);
}

TEST(RunCommandLoop, TextEndsAtTheFirstZeroByte) {
  LoopRun run(std::string("ISREADY\0GAMEOVER", 16));
  EXPECT_EQ("READYOK", run.replies);
  EXPECT_EQ("", run.log.str());
}

TEST(RunCommandLoop, ALongTextArrivesAsSeveralCommands) {
  // 1024 bytes fill the buffer and form the first command, the rest the next.
  const std::string first = "Run " + std::string(kReadBufferSize - 4, '7');
  LoopRun run(first + "ShowAll");
  EXPECT_EQ(0, run.status);
  ASSERT_EQ(1u, run.runCalls.size());
  EXPECT_EQ((std::vector<std::string>{"Run", first.substr(4), "\n"}), run.runCalls[0]);
  EXPECT_EQ(
      "current_shot_number : 0 ;  \ncurrent_end_number : 0\n"
      "Score : 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, \nPosition : \n",
      run.log.str());
}

TEST(RunCommandLoop, AHandlerThatStopsEndsTheLoop) {
  LoopRun run("Run " + std::string(kReadBufferSize, 'x'), /*runResult_=*/false);
  EXPECT_EQ(0, run.status);
  EXPECT_EQ(1u, run.runCalls.size());  // the second read is never made
}

TEST(RunCommandLoop, AFailingReadEndsWithStatusZero) {
  Curling::EngineOutput out{std::cout, [](std::string_view) { return true; }};
  CommandProcessor processor(IgnoreCommand, IgnoreCommand);
  int fds[2];
  ASSERT_EQ(0, ::pipe(fds));
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_EQ(0, RunCommandLoop(fds[0], processor, out));  // EBADF
}

TEST(WriteReply, WritesEveryByteOrReportsFailure) {
  int fds[2];
  ASSERT_EQ(0, ::pipe(fds));
  EXPECT_TRUE(WriteReply(fds[1], "READYOK"));
  EXPECT_TRUE(WriteReply(fds[1], ""));
  char buffer[16] = {};
  EXPECT_EQ(7, ::read(fds[0], buffer, sizeof buffer));
  EXPECT_EQ("READYOK", std::string(buffer));
  ::close(fds[0]);
  ::close(fds[1]);
  EXPECT_FALSE(WriteReply(fds[1], "READYOK"));  // EBADF
}

}  // namespace
}  // namespace Protocol
