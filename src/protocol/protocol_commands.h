#pragma once

#include <string>
#include <vector>

#include "curling/engine_output.h"
#include "curling/game_state.h"

namespace Protocol {

// The set-up and utility commands of the server protocol. Each is a CommandHandler and returns
// true. A handler that rejects its arguments writes one line on out.log and leaves the state as it
// was: every number is converted before any is stored.

// Resets the state, then replies "READYOK" (7 bytes, no terminator). Extra tokens are ignored.
bool HandleIsReady(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                   Curling::EngineOutput& out);

// Resets the state without a reply.
bool HandleGameOver(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                    Curling::EngineOutput& out);

// x0 y0 ... x15 y15: the sixteen stones. Needs exactly 34 tokens ("error argument size").
bool HandlePosition(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                    Curling::EngineOutput& out);

// Shot number, end number, server value, side (any non-zero integer is side 1). Needs exactly 6
// tokens ("error argment size"); values are stored unchecked.
bool HandleSetState(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                    Curling::EngineOutput& out);

// The current end's score, signed as the record keeps it. Needs exactly 3 tokens ("error argment
// size") and an end number within the score table ("error end number").
bool HandleScore(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                 Curling::EngineOutput& out);

// Accepted and ignored: the record has no place for the totals. Needs exactly 4 tokens ("error
// argment size").
bool HandleTotalScore(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                      Curling::EngineOutput& out);

// Prints the state's text form on out.log.
bool HandleShowAll(const std::vector<std::string>& tokens, Curling::CurlingGameState& state,
                   Curling::EngineOutput& out);

}  // namespace Protocol
