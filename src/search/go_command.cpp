#include "search/go_command.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "search/tree/tree_search.h"

namespace Curling {

std::string FormatBestShot(const ShotVelocity& velocity) {
  // The curl byte is read as it lies, so that a byte other than 0 or 1 prints as its number.
  std::uint8_t curl;
  std::memcpy(&curl, &velocity.curl, 1);
  char buffer[kReplyBufferSize];
  std::snprintf(buffer, sizeof buffer, "BESTSHOT %f %f %d", static_cast<double>(velocity.vx),
                static_cast<double>(velocity.vy), static_cast<int>(curl));
  return std::string(buffer, std::strlen(buffer));
}

namespace {

// Hands the pages that the search's workers freed back to the system: the allocator would keep
// them for the next search, and between shots the engine should hold only what it still uses
// (main.cpp makes every thread share one arena, so one trim reaches all of them).
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

bool AnswerGo(const CurlingGameState& state, const SearchConfig& config, EngineOutput& out,
              SearchDriver search) {
  {
    const SearchResult result = search(state, config);
    out.reply(FormatBestShot(result.best.shot.velocity));
  }  // what the search learned is freed here, after the reply
  ReturnFreedMemory();
  return true;
}

std::function<bool(const std::vector<std::string>&, CurlingGameState&, EngineOutput&)>
MakeGoHandler(SearchDriver search, SearchSettings settings) {
  return [search, settings](const std::vector<std::string>& /*tokens*/, CurlingGameState& state,
                            EngineOutput& out) {
    return AnswerGo(state, EngineSearchConfig(out.log, settings), out, search);
  };
}

}  // namespace Curling
