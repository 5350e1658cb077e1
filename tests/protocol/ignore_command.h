#pragma once

#include <string>
#include <vector>

#include "curling/engine_output.h"
#include "curling/game_state.h"

namespace Protocol {

// A handler that does nothing and keeps the engine running: what the protocol tests bind "GO"
// and "Run" to, so that the command table can be built without the search or the experiment.
inline bool IgnoreCommand(const std::vector<std::string>&, Curling::CurlingGameState&,
                          Curling::EngineOutput&) {
  return true;
}

}  // namespace Protocol
