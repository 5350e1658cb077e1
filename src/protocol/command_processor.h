#pragma once

#include <string_view>

#include "curling/engine_output.h"
#include "curling/game_state.h"
#include "protocol/command_table.h"

namespace Protocol {

// The engine between two reads: the command table and the one game state that lives as long as
// the engine does. It handles one command text at a time and never touches a file descriptor, so
// tests and fuzzers feed it texts directly.
class CommandProcessor {
 public:
  // The state starts reset. "GO" and "Run" run the given handlers (see CommandTable).
  CommandProcessor(CommandHandler go, CommandHandler run);

  // Splits the text, runs the handler of its first token, or reports an unknown word on out.log as
  // "illegal command " followed by every token and a space. Returns the keep-running flag: the
  // last handler's result; an unknown word leaves it as it was.
  bool Handle(std::string_view text, Curling::EngineOutput& out);

  const Curling::CurlingGameState& state() const { return state_; }
  bool keepRunning() const { return keepRunning_; }

 private:
  CommandTable table_;
  Curling::CurlingGameState state_;
  bool keepRunning_ = true;
};

}  // namespace Protocol
