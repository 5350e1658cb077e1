#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "curling/engine_output.h"
#include "curling/game_state.h"

namespace Protocol {

// What a command word runs: it gets the command's tokens (the word, its arguments and the final
// line-feed token), the engine's one game state to change in place, and the output channels. It
// returns whether the engine keeps reading commands.
using CommandHandler =
    std::function<bool(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                       Curling::EngineOutput& out)>;

// The ten command words and their handlers, matched exactly (letter case included). Filled once
// at construction and never changed. "GO" and "Run" are supplied by the caller, so that the search
// and the experiment stay outside the protocol; "run" looks "Run" up in this table each time it
// runs. That entry refers to the table itself, which is therefore neither copied nor moved.
class CommandTable {
 public:
  // Throws std::invalid_argument when either handler is empty.
  CommandTable(CommandHandler go, CommandHandler run);
  CommandTable(const CommandTable&) = delete;
  CommandTable& operator=(const CommandTable&) = delete;

  // The handler of a word, or null when the word is not a command.
  const CommandHandler* Find(const std::string& word) const;

  std::size_t size() const { return handlers_.size(); }

 private:
  std::unordered_map<std::string, CommandHandler> handlers_;
};

}  // namespace Protocol
