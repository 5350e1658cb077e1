#include "search/search_registry.h"

#include <array>
#include <stdexcept>
#include <string>

#include "search/strong/strong_search.h"
#include "search/tree/tree_search.h"

namespace Curling {

namespace {

constexpr std::array kSearches = {
    SearchEntry{"primitive", "Primitive", PrimitiveSearch},
    SearchEntry{"uct", "UCT", UCTSearch},
    SearchEntry{"strong", "Strong", StrongSearch},
};

}  // namespace

std::span<const SearchEntry> Searches() {
  return kSearches;
}

const SearchEntry* FindSearch(std::string_view name) {
  for (const SearchEntry& entry : kSearches) {
    if (entry.name == name || entry.label == name) return &entry;
  }
  return nullptr;
}

const SearchEntry& SearchNamed(std::string_view name) {
  const SearchEntry* entry = FindSearch(name);
  if (entry == nullptr) throw std::logic_error("no search named " + std::string(name));
  return *entry;
}

}  // namespace Curling
