// Fuzz target: the engine's command path. The input is a sequence of command texts separated by
// zero bytes (a zero byte never reaches a handler: the loop cuts a read at the first one). Every
// text goes to one CommandProcessor, which keeps its game state from command to command, and to
// the independent model of command_model.h. After each command the state, the log text, the
// replies and the calls of the fake GO and Run handlers must agree exactly.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "command_model.h"
#include "protocol/command_processor.h"

namespace {

// Stops the run with a message that names the command; libFuzzer then saves the input.
[[noreturn]] void Fail(const char* what, std::string_view command) {
  std::fprintf(stderr, "command fuzzer: %s after the command [%.*s]\n", what,
               static_cast<int>(command.size()), command.data());
  std::abort();
}

bool SameFloat(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;  // bit for bit: NaNs and signed zeros included
}

bool SameState(const Curling::CurlingGameState& engine, const Fuzz::ModelState& model) {
  if (engine.shotNumber != model.shotNumber || engine.endNumber != model.endNumber ||
      engine.serverValue != model.serverValue) {
    return false;
  }
  for (int i = 0; i < 10; ++i) {
    if (engine.endScores[i] != model.endScores[i]) return false;
  }
  if (engine.SideByte() != (model.sideToMove ? 1 : 0)) return false;
  for (int i = 0; i < 16; ++i) {
    if (!SameFloat(engine.stones[i].x, model.stones[2 * i]) ||
        !SameFloat(engine.stones[i].y, model.stones[2 * i + 1])) {
      return false;
    }
  }
  return true;
}

// What the fake GO and Run handlers saw during one command.
struct FakeCalls {
  int go = 0;
  int run = 0;
  std::vector<std::string> tokens;
  Curling::CurlingGameState state;
};

constexpr const char* kFakeGoReply = "BESTSHOT 0.000000 0.000000 0";
constexpr const char* kFakeRunLine = "fake run\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FakeCalls calls;
  // The fakes read the state only, as the search and the experiment do, and write as they do: GO
  // one reply, Run lines on the log.
  Protocol::CommandHandler go = [&calls](const std::vector<std::string>& tokens,
                                         Curling::CurlingGameState& state,
                                         Curling::EngineOutput& out) {
    ++calls.go;
    calls.tokens = tokens;
    calls.state = state;
    out.reply(kFakeGoReply);
    return true;
  };
  Protocol::CommandHandler run = [&calls](const std::vector<std::string>& tokens,
                                          Curling::CurlingGameState& state,
                                          Curling::EngineOutput& out) {
    ++calls.run;
    calls.tokens = tokens;
    calls.state = state;
    out.log << kFakeRunLine << std::flush;
    return true;
  };
  Protocol::CommandProcessor processor(go, run);
  Fuzz::ModelState model;

  std::ostringstream log;
  std::vector<std::string> replies;
  Curling::EngineOutput out{log, [&replies](std::string_view reply) {
                              replies.emplace_back(reply);
                              return true;
                            }};

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t stop = input.find('\0', start);
    if (stop == std::string_view::npos) stop = input.size();
    const std::string_view command = input.substr(start, stop - start);
    start = stop + 1;

    log.str("");
    replies.clear();
    calls = FakeCalls{};
    const Fuzz::ModelState before = model;
    Fuzz::ModelOutcome expected = Fuzz::ApplyCommand(command, model);
    if (expected.callsGo) expected.replies.emplace_back(kFakeGoReply);
    if (expected.callsRun) expected.log += kFakeRunLine;

    if (!processor.Handle(command, out)) Fail("a handler asked to stop", command);
    if (!processor.keepRunning()) Fail("the keep-running flag fell", command);
    if (!SameState(processor.state(), model)) Fail("the state differs from the model", command);
    if (log.str() != expected.log) {
      std::fprintf(stderr, "log: [%s]\nexpected: [%s]\n", log.str().c_str(), expected.log.c_str());
      Fail("the log differs from the model", command);
    }
    if (replies != expected.replies) Fail("the replies differ from the model", command);
    if (calls.go != (expected.callsGo ? 1 : 0) || calls.run != (expected.callsRun ? 1 : 0)) {
      Fail("GO or Run was called wrongly", command);
    }
    if (calls.go + calls.run > 0) {
      // The handler saw the command's own tokens and the loop's state as it stood.
      if (calls.tokens != expected.tokens) Fail("GO or Run got other tokens", command);
      if (!SameState(calls.state, before)) Fail("GO or Run got another state", command);
    }
  }
  return 0;
}
