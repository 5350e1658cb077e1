#include "protocol/protocol_commands.h"

#include <array>
#include <optional>
#include <ostream>

#include "curling/parse_int.h"
#include "protocol/number_arguments.h"

namespace Protocol {
namespace {

// The two spellings are both part of the protocol: servers match on them.
constexpr const char* kPositionSizeError = "error argument size";
constexpr const char* kSizeError = "error argment size";
constexpr const char* kValueError = "error argument value";
constexpr const char* kEndNumberError = "error end number";

constexpr std::size_t kPositionTokens = 2 + 2 * Curling::kStones;  // 34
constexpr std::size_t kSetStateTokens = 6;
constexpr std::size_t kScoreTokens = 3;
constexpr std::size_t kTotalScoreTokens = 4;

void Report(Curling::EngineOutput& out, const char* message) {
  out.log << message << std::endl;
}

}  // namespace

bool HandleIsReady(const std::vector<std::string>&, Curling::CurlingGameState& state,
                   Curling::EngineOutput& out) {
  state.Reset();
  out.reply("READYOK");  // a failed reply is not reported: the server will time out on its own
  return true;
}

bool HandleGameOver(const std::vector<std::string>&, Curling::CurlingGameState& state,
                    Curling::EngineOutput&) {
  state.Reset();
  return true;
}

bool HandlePosition(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                    Curling::EngineOutput& out) {
  if (tokens.size() != kPositionTokens) {
    Report(out, kPositionSizeError);
    return true;
  }
  std::array<StonePosition, Curling::kStones> stones{};
  for (int i = 0; i < Curling::kStones; ++i) {
    const std::optional<float> x = ParseCoordinate(tokens[1 + 2 * i]);
    const std::optional<float> y = ParseCoordinate(tokens[2 + 2 * i]);
    if (!x || !y) {
      Report(out, kValueError);
      return true;
    }
    stones[i] = {*x, *y};
  }
  for (int i = 0; i < Curling::kStones; ++i) state.stones[i] = stones[i];
  return true;
}

bool HandleSetState(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                    Curling::EngineOutput& out) {
  if (tokens.size() != kSetStateTokens) {
    Report(out, kSizeError);
    return true;
  }
  const std::optional<int> shot = Curling::ParseInt(tokens[1]);
  const std::optional<int> end = Curling::ParseInt(tokens[2]);
  const std::optional<int> serverValue = Curling::ParseInt(tokens[3]);
  const std::optional<int> side = Curling::ParseInt(tokens[4]);
  if (!shot || !end || !serverValue || !side) {
    Report(out, kValueError);
    return true;
  }
  state.shotNumber = *shot;
  state.endNumber = *end;
  state.serverValue = *serverValue;
  state.sideToMove = *side != 0;
  return true;
}

bool HandleScore(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                 Curling::EngineOutput& out) {
  if (tokens.size() != kScoreTokens) {
    Report(out, kSizeError);
    return true;
  }
  const std::optional<int> score = Curling::ParseInt(tokens[1]);
  if (!score) {
    Report(out, kValueError);
    return true;
  }
  // The end number comes from the server unchecked; only a slot of the table may be written.
  if (state.endNumber < 0 || state.endNumber >= Curling::kEndSlots) {
    Report(out, kEndNumberError);
    return true;
  }
  state.endScores[state.endNumber] = *score;
  return true;
}

bool HandleTotalScore(const std::vector<std::string>& tokens, Curling::CurlingGameState&,
                      Curling::EngineOutput& out) {
  if (tokens.size() != kTotalScoreTokens) Report(out, kSizeError);
  return true;
}

bool HandleShowAll(const std::vector<std::string>&, Curling::CurlingGameState& state,
                   Curling::EngineOutput& out) {
  state.PrintState(out.log);
  return true;
}

}  // namespace Protocol
