#include "protocol/command_table.h"

#include <stdexcept>
#include <utility>

#include "protocol/protocol_commands.h"

namespace Protocol {

CommandTable::CommandTable(CommandHandler go, CommandHandler run) {
  if (!go || !run) throw std::invalid_argument("CommandTable: GO and Run need a handler");
  handlers_.emplace("ISREADY", HandleIsReady);
  handlers_.emplace("GO", std::move(go));
  handlers_.emplace("GAMEOVER", HandleGameOver);
  handlers_.emplace("POSITION", HandlePosition);
  handlers_.emplace("SETSTATE", HandleSetState);
  handlers_.emplace("SCORE", HandleScore);
  handlers_.emplace("TOTALSCORE", HandleTotalScore);
  handlers_.emplace("ShowAll", HandleShowAll);
  handlers_.emplace("Run", std::move(run));
  // Looked up when it runs, not now: "run" is whatever "Run" is in this table at that moment.
  handlers_.emplace("run", [this](const std::vector<std::string>& tokens,
                                  Curling::CurlingGameState& state, Curling::EngineOutput& out) {
    const CommandHandler* run = Find("Run");
    return run == nullptr || (*run)(tokens, state, out);
  });
}

const CommandHandler* CommandTable::Find(const std::string& word) const {
  const auto it = handlers_.find(word);
  return it == handlers_.end() ? nullptr : &it->second;
}

}  // namespace Protocol
