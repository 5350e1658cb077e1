#include "experiment/run_arguments.h"

#include <algorithm>

#include "curling/game_state.h"
#include "curling/parse_int.h"

namespace Curling {

namespace {

// Token counts, the word and the final line-feed token included (the word alone is 2).
constexpr std::size_t kWithGames = 3;
constexpr std::size_t kWithEnds = 4;

}  // namespace

RunArguments ParseRunArguments(const std::vector<std::string>& tokens) {
  RunArguments arguments;
  if (tokens.size() > kWithEnds) {
    arguments.status = RunArguments::Status::kIgnored;
    return arguments;
  }
  if (tokens.size() >= kWithGames) {
    const std::optional<int> games = ParseInt(tokens[1]);
    const std::optional<int> ends =
        tokens.size() == kWithEnds ? ParseInt(tokens[2]) : std::optional<int>(arguments.ends);
    if (!games || !ends) {
      arguments.status = RunArguments::Status::kBadValue;
      return arguments;
    }
    arguments.games = *games;
    arguments.ends = std::min(*ends, kEndSlots);
  }
  return arguments;
}

}  // namespace Curling
