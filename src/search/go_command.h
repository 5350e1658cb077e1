#pragma once

#include <functional>
#include <string>
#include <vector>

#include "curling/engine_output.h"
#include "curling/game_state.h"
#include "search/core/search_config.h"
#include "search/core/search_result.h"
#include "search/tree/tree_search.h"
#include "shots/move_state.h"

namespace Curling {

// Size of the buffer the reply is formatted into; the longest reply (two floats of the largest
// magnitude) takes well under half of it.
inline constexpr std::size_t kReplyBufferSize = 256;

// "BESTSHOT vx vy curl" for a release: vx and vy widened to double and printed with %f (six
// decimals), curl read as an unsigned byte.
std::string FormatBestShot(const ShotVelocity& velocity);

// Runs `search` ("Primitive" unless told otherwise) on `state` under `config` and writes its best
// shot as one reply of exactly the formatted characters (no line terminator, no terminating
// zero). The state is only read. Returns true: the engine goes on whatever the search met.
bool AnswerGo(const CurlingGameState& state, const SearchConfig& config, EngineOutput& out,
              SearchDriver search = PrimitiveSearch);

// The "GO" command handler: answers with `search` under `settings` (EngineSearchConfig on
// out.log), as the engine's command line chooses; with the defaults, the engine's own search
// ("Primitive", four workers of 5000 ms on the system clock). Tokens after "GO" are not looked at.
std::function<bool(const std::vector<std::string>&, CurlingGameState&, EngineOutput&)>
MakeGoHandler(SearchDriver search = PrimitiveSearch, SearchSettings settings = {});

}  // namespace Curling
