#pragma once

#include <ostream>

#include "options.h"

namespace Match {

// `curling-match summary`: reads the records, prints their warnings on `err`, the summary (text or
// JSON) on `out` and writes the pictures of the games read when asked. Returns the exit status:
// 0, or 1 after a message on `err` (a record that cannot be read or used, pictures that cannot be
// written).
int RunSummaryCommand(const SummaryOptions& options, std::ostream& out, std::ostream& err);

}  // namespace Match
