#pragma once

#include <span>
#include <string_view>

#include "search/core/search_result.h"

namespace Curling {

// The searches of this engine by name: the one place that maps a name to its code. The engine's
// --search option, the Run command's players and every benchmark look them up here; adding a
// search is one entry.
// - name: what the command line calls it ("primitive", "uct", "strong")
// - label: what tables and records call it ("Primitive", "UCT", "Strong")
// - driver: the search
struct SearchEntry {
  std::string_view name;
  std::string_view label;
  SearchDriver driver;
};

// Every search, in the order the command line lists them; "primitive" (the one that answers GO
// without options) first.
std::span<const SearchEntry> Searches();

// The search called `name` or labelled so; null when there is none.
const SearchEntry* FindSearch(std::string_view name);

// The search called `name`, which must be one of Searches() (a fixed name in the code).
const SearchEntry& SearchNamed(std::string_view name);

}  // namespace Curling
