#pragma once

#include <cctype>
#include <cstddef>
#include <string_view>

namespace E2E {

// Length of the "BESTSHOT vx vy curl" reply at the start of `text`, 0 when there is none. vx and
// vy must be "%f" numbers (an optional minus, digits, a point, six digits); with `anyNumber` any
// run of letters, digits, points and minus signs is taken (for "inf" or "nan"). curl is 0 or 1.
inline std::size_t BestShotLength(std::string_view text, bool anyNumber = false) {
  constexpr std::string_view kWord = "BESTSHOT ";
  if (text.substr(0, kWord.size()) != kWord) return 0;
  std::size_t pos = kWord.size();
  const auto digits = [&](std::size_t atLeast, std::size_t atMost) {
    std::size_t n = 0;
    while (pos < text.size() && n < atMost && std::isdigit(static_cast<unsigned char>(text[pos]))) {
      ++pos;
      ++n;
    }
    return n >= atLeast;
  };
  const auto number = [&] {
    if (anyNumber) {
      const std::size_t start = pos;
      while (pos < text.size() && (std::isalnum(static_cast<unsigned char>(text[pos])) ||
                                   text[pos] == '.' || text[pos] == '-')) {
        ++pos;
      }
      return pos > start;
    }
    if (pos < text.size() && text[pos] == '-') ++pos;
    if (!digits(1, std::string_view::npos)) return false;
    if (pos >= text.size() || text[pos] != '.') return false;
    ++pos;
    return digits(6, 6);
  };
  const auto space = [&] { return pos < text.size() && text[pos++] == ' '; };
  if (!number() || !space() || !number() || !space()) return 0;
  if (pos >= text.size() || (text[pos] != '0' && text[pos] != '1')) return 0;
  return pos + 1;
}

// Whether `text` is exactly `count` replies, back to back.
inline bool IsBestShotReplies(std::string_view text, int count = 1, bool anyNumber = false) {
  for (int i = 0; i < count; ++i) {
    const std::size_t length = BestShotLength(text, anyNumber);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return text.empty();
}

}  // namespace E2E
