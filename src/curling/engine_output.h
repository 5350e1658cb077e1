#pragma once

#include <functional>
#include <ostream>
#include <string_view>

namespace Curling {

// Where the engine's text goes. `log` is the diagnostic stream: each line closed with std::endl
// (a line feed and a flush). `reply` writes one raw reply to the server in a single write, with no
// terminator added, and says whether every byte went out. The engine binds them to std::cout and
// to file descriptor 1; tests bind them to strings.
struct EngineOutput {
  std::ostream& log;
  std::function<bool(std::string_view)> reply;
};

}  // namespace Curling
