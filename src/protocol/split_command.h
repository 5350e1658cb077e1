#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Protocol {

// Splits one command text into its tokens. Only the space character separates tokens, so two
// adjacent spaces, a leading or a trailing space each give an empty token, and tabs, carriage
// returns and line feeds stay inside the tokens around them. A last token holding exactly one line
// feed is always appended; argument counts of the protocol include it. An empty text gives that
// token alone.
std::vector<std::string> SplitCommand(std::string_view text);

}  // namespace Protocol
