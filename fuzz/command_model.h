#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Fuzz {

// A second, deliberately plain implementation of what the set-up and utility commands do to the
// engine's game state and what they write. The command fuzzer runs every command text through
// both the engine and this model and compares the two; the model shares no code with the engine.
struct ModelState {
  std::int32_t shotNumber = 0;
  std::int32_t endNumber = 0;
  std::int32_t serverValue = 0;
  std::array<std::int32_t, 10> endScores{};
  bool sideToMove = false;
  std::array<float, 32> stones{};  // x0, y0, x1, y1, ...
};

// What one command text should produce: the state afterwards, the exact text of the log stream
// and the replies, and which fake handler (if any) the command reaches.
struct ModelOutcome {
  std::string log;
  std::vector<std::string> replies;
  bool callsGo = false;
  bool callsRun = false;
  std::vector<std::string> tokens;  // as the handlers receive them
};

// Applies one command text to the model state. GO and Run are left to the caller's fakes: the
// outcome only says that they are reached (the state is not changed by them).
ModelOutcome ApplyCommand(std::string_view text, ModelState& state);

// The text form of a state, as "ShowAll" prints it.
std::string ModelStateText(const ModelState& state);

}  // namespace Fuzz
