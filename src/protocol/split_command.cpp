#include "protocol/split_command.h"

namespace Protocol {

std::vector<std::string> SplitCommand(std::string_view text) {
  std::vector<std::string> tokens;
  if (!text.empty()) {
    std::size_t cursor = 0;
    while (true) {
      const std::size_t split = text.find(' ', cursor);
      if (split == std::string_view::npos) {
        tokens.emplace_back(text.substr(cursor));
        break;
      }
      tokens.emplace_back(text.substr(cursor, split - cursor));
      cursor = split + 1;
    }
  }
  tokens.emplace_back("\n");
  return tokens;
}

}  // namespace Protocol
