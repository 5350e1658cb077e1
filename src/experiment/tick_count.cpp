#include "experiment/tick_count.h"

#include <chrono>

namespace Curling {

std::int64_t GetTickCount() {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  using std::chrono::steady_clock;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace Curling
