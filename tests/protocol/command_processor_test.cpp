#include "protocol/command_processor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ignore_command.h"

namespace Protocol {
namespace {

using Curling::CurlingGameState;
using Tokens = std::vector<std::string>;

// An engine whose output channels are strings; "GO" and "Run" record what they were called with.
struct Engine {
  std::ostringstream log;
  std::vector<std::string> replies;  // one entry per reply write
  Curling::EngineOutput out{log, [this](std::string_view r) {
                              replies.emplace_back(r);
                              return true;
                            }};
  std::vector<Tokens> goCalls, runCalls;
  bool runResult = true;
  CommandProcessor processor{[this](const Tokens& t, CurlingGameState&, Curling::EngineOutput&) {
                               goCalls.push_back(t);
                               return true;
                             },
                             [this](const Tokens& t, CurlingGameState&, Curling::EngineOutput&) {
                               runCalls.push_back(t);
                               return runResult;
                             }};

  // Handles each text in turn and returns what the log received.
  std::string Send(std::initializer_list<std::string> texts) {
    log.str("");
    for (const std::string& text : texts) processor.Handle(text, out);
    return log.str();
  }
  const CurlingGameState& state() const { return processor.state(); }
};

// Every field compared, the side as its raw byte; padding is of no meaning.
void ExpectSameState(const CurlingGameState& expected, const CurlingGameState& actual) {
  EXPECT_EQ(expected.shotNumber, actual.shotNumber);
  EXPECT_EQ(expected.endNumber, actual.endNumber);
  EXPECT_EQ(expected.serverValue, actual.serverValue);
  for (int i = 0; i < Curling::kEndSlots; ++i)
    EXPECT_EQ(expected.endScores[i], actual.endScores[i]);
  EXPECT_EQ(expected.SideByte(), actual.SideByte());
  EXPECT_EQ(0, std::memcmp(expected.stones, actual.stones, sizeof expected.stones));
}

// A POSITION command with the given number of coordinates; stone i lies at (i + 1, i + 0.5). The
// last coordinate is replaced by `last` when one is given.
std::string NumberedPosition(int coordinates = 32, const char* last = nullptr) {
  std::ostringstream text;
  text << "POSITION";
  for (int c = 0; c < coordinates; ++c) {
    text << ' ';
    if (last != nullptr && c == coordinates - 1) {
      text << last;
    } else {
      text << (c % 2 == 0 ? c / 2 + 1.0 : c / 2 + 0.5);
    }
  }
  return text.str();
}

CurlingGameState NumberedStones() {
  CurlingGameState state;
  for (int i = 0; i < Curling::kStones; ++i) state.stones[i] = {i + 1.0f, i + 0.5f};
  return state;
}

TEST(CommandTable, HoldsTheTenWordsAndNeedsBothHandlers) {
  const CommandTable table(IgnoreCommand, IgnoreCommand);
  EXPECT_EQ(10u, table.size());
  for (const char* word : {"ISREADY", "GO", "GAMEOVER", "POSITION", "SETSTATE", "SCORE",
                           "TOTALSCORE", "ShowAll", "Run", "run"}) {
    EXPECT_NE(nullptr, table.Find(word)) << word;
  }
  EXPECT_EQ(nullptr, table.Find("RUN"));
  EXPECT_THROW(CommandTable(nullptr, IgnoreCommand), std::invalid_argument);
  EXPECT_THROW(CommandTable(IgnoreCommand, nullptr), std::invalid_argument);
}

// Letter case, line ends and leading spaces are covered through the program by the golden
// sessions; here the texts no read can deliver: an empty one and one holding a zero byte.
TEST(CommandProcessor, UnknownWordsAreReportedTokenByToken) {
  const struct {
    std::string text;
    std::string log;
  } cases[] = {
      {"HELLO world", "illegal command HELLO world \n \n"},
      {"", "illegal command \n \n"},
      {std::string("ISREADY\0", 8), std::string("illegal command ISREADY\0 \n \n", 28)},
  };
  for (const auto& c : cases) {
    Engine engine;
    engine.processor.Handle(c.text, engine.out);
    EXPECT_EQ(c.log, engine.log.str()) << '"' << c.text << '"';
    EXPECT_TRUE(engine.replies.empty());
    ExpectSameState(CurlingGameState{}, engine.state());
  }
}

TEST(CommandProcessor, IsReadyResetsThenRepliesSevenBytes) {
  for (const char* ready : {"ISREADY", "ISREADY extra", "ISREADY  "}) {
    Engine engine;
    EXPECT_EQ("", engine.Send({NumberedPosition(), "SETSTATE 3 1 10 1", "SCORE 2", ready}));
    ASSERT_EQ(1u, engine.replies.size()) << ready;
    EXPECT_EQ("READYOK", engine.replies[0]);
    ExpectSameState(CurlingGameState{}, engine.state());
  }
}

TEST(CommandProcessor, IsReadyReplyComesAfterTheReset) {
  Engine engine;
  engine.Send({"SETSTATE 3 1 10 1"});
  engine.out.reply = [&](std::string_view r) {
    EXPECT_EQ(0, engine.state().shotNumber);
    EXPECT_EQ(0, engine.state().SideByte());
    engine.replies.emplace_back(r);
    return true;
  };
  engine.Send({"ISREADY"});
  EXPECT_EQ(1u, engine.replies.size());
}

TEST(CommandProcessor, GameOverResetsSilently) {
  Engine engine;
  EXPECT_EQ("", engine.Send({NumberedPosition(), "SETSTATE 3 1 10 1", "SCORE -1", "GAMEOVER x"}));
  EXPECT_TRUE(engine.replies.empty());
  ExpectSameState(CurlingGameState{}, engine.state());
}

TEST(CommandProcessor, PositionSetsEveryStone) {
  Engine engine;
  EXPECT_EQ("", engine.Send({NumberedPosition()}));
  ExpectSameState(NumberedStones(), engine.state());
}

TEST(CommandProcessor, RejectedCommandsChangeNothing) {
  const struct {
    std::string text;
    std::string log;
  } cases[] = {
      {NumberedPosition(31), "error argument size\n"},
      {NumberedPosition(33), "error argument size\n"},
      {NumberedPosition(32, ""), "error argument value\n"},  // 31 and an empty token
      {NumberedPosition(33, ""), "error argument size\n"},   // 32 and a trailing space
      {"POSITION", "error argument size\n"},
      {NumberedPosition(32, "x"), "error argument value\n"},
      {NumberedPosition(32, "1e400"), "error argument value\n"},
      {NumberedPosition(32, "-"), "error argument value\n"},
      {"SETSTATE 3 1 10", "error argment size\n"},
      {"SETSTATE 3 1 10 0 ", "error argment size\n"},
      {"SETSTATE 3 1 10 0 0", "error argment size\n"},
      {"SETSTATE 3 1 10 x", "error argument value\n"},
      {"SETSTATE 3 1 10 side", "error argument value\n"},
      {"SETSTATE 3 1 99999999999 0", "error argument value\n"},
      {"SETSTATE  3 1 10", "error argument value\n"},
      {"SCORE", "error argment size\n"},
      {"SCORE  3", "error argment size\n"},
      {"SCORE 3 4", "error argment size\n"},
      {"SCORE three", "error argument value\n"},
      {"SCORE 2147483648", "error argument value\n"},
      {"TOTALSCORE 5", "error argment size\n"},
      {"TOTALSCORE 5 3 1", "error argment size\n"},
      {"TOTALSCORE 5 3", ""},
      {"TOTALSCORE x y", ""},
  };
  for (const auto& c : cases) {
    Engine engine;
    engine.Send({NumberedPosition(), "SETSTATE 7 2 10 1", "SCORE -3"});
    const CurlingGameState before = engine.state();
    EXPECT_EQ(c.log, engine.Send({c.text})) << '"' << c.text << '"';
    ExpectSameState(before, engine.state());
    EXPECT_TRUE(engine.replies.empty());
  }
}

TEST(CommandProcessor, SetStateStoresValuesUncheckedAndSideAsNonZero) {
  const struct {
    std::string text;
    int shot, end, serverValue;
    bool side;
  } cases[] = {
      {"SETSTATE 3 1 10 2", 3, 1, 10, true},        {"SETSTATE 3 1 10 -1", 3, 1, 10, true},
      {"SETSTATE 3 1 10 0", 3, 1, 10, false},       {"SETSTATE 3 1 10 1", 3, 1, 10, true},
      {"SETSTATE 16 -1 -5 0x1", 16, -1, -5, false}, {"SETSTATE 7x +4 \t9 1\r\n", 7, 4, 9, true},
  };
  for (const auto& c : cases) {
    Engine engine;
    engine.Send({"SETSTATE 9 9 9 1"});
    EXPECT_EQ("", engine.Send({c.text})) << c.text;
    EXPECT_EQ(c.shot, engine.state().shotNumber) << c.text;
    EXPECT_EQ(c.end, engine.state().endNumber) << c.text;
    EXPECT_EQ(c.serverValue, engine.state().serverValue) << c.text;
    EXPECT_EQ(c.side ? 1 : 0, engine.state().SideByte()) << c.text;
  }
}

TEST(CommandProcessor, ScoreOutsideTheScoreTableIsRefused) {
  for (const char* setState : {"SETSTATE 0 10 0 0", "SETSTATE 0 -1 0 0",
                               "SETSTATE 0 2147483647 0 0", "SETSTATE 0 -2147483648 0 0"}) {
    Engine engine;
    engine.Send({setState});
    const CurlingGameState before = engine.state();
    EXPECT_EQ("error end number\n", engine.Send({"SCORE 4"})) << setState;
    ExpectSameState(before, engine.state());
  }
}

TEST(CommandProcessor, GoAndRunGetTheirTokensAndLowerCaseRunForwards) {
  Engine engine;
  EXPECT_EQ("", engine.Send({"GO", "Run 2 5", "run 2 5", "Run 2\r\n"}));
  EXPECT_EQ((std::vector<Tokens>{{"GO", "\n"}}), engine.goCalls);
  EXPECT_EQ((std::vector<Tokens>{
                {"Run", "2", "5", "\n"}, {"run", "2", "5", "\n"}, {"Run", "2\r\n", "\n"}}),
            engine.runCalls);
}

TEST(CommandProcessor, KeepRunningFollowsTheLastHandlerOnly) {
  Engine engine;
  EXPECT_TRUE(engine.processor.Handle("Run", engine.out));
  engine.runResult = false;
  EXPECT_FALSE(engine.processor.Handle("run", engine.out));    // "run" gives back "Run"'s result
  EXPECT_FALSE(engine.processor.Handle("HELLO", engine.out));  // an unknown word keeps the flag
  EXPECT_TRUE(engine.processor.Handle("ISREADY", engine.out));
  EXPECT_TRUE(engine.processor.keepRunning());
}

}  // namespace
}  // namespace Protocol
