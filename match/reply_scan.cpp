#include "reply_scan.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace Match {

namespace {

constexpr std::string_view kReadyOk = "READYOK";
constexpr std::string_view kBestShot = "BESTSHOT";

std::string_view Word(ReplyKind kind) {
  return kind == ReplyKind::kReadyOk ? kReadyOk : kBestShot;
}

// One decimal number that converts completely and fits a float.
bool ParseCoordinate(std::string_view token, float& value) {
  if (token.empty()) return false;
  double parsed = 0.0;
  const char* end = token.data() + token.size();
  auto [ptr, ec] = std::from_chars(token.data(), end, parsed, std::chars_format::general);
  if (ec != std::errc{} || ptr != end || !std::isfinite(parsed)) return false;
  if (std::fabs(parsed) > std::numeric_limits<float>::max()) return false;
  value = static_cast<float>(parsed);
  return true;
}

bool IsReply(std::string_view text, ReplyKind kind, ShotVelocity& release) {
  if (kind == ReplyKind::kReadyOk) return text == kReadyOk;
  return ParseBestShot(text, release);
}

}  // namespace

bool ParseBestShot(std::string_view text, ShotVelocity& release) {
  std::string_view tokens[4];
  std::size_t count = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t space = text.find(' ', start);
    if (count == 4) return false;
    tokens[count++] = text.substr(start, space == std::string_view::npos ? space : space - start);
    if (space == std::string_view::npos) break;
    start = space + 1;
  }
  if (count != 4 || tokens[0] != kBestShot) return false;
  ShotVelocity parsed{};
  if (!ParseCoordinate(tokens[1], parsed.vx) || !ParseCoordinate(tokens[2], parsed.vy)) {
    return false;
  }
  if (tokens[3] != "0" && tokens[3] != "1") return false;
  parsed.curl = tokens[3] == "1";
  release = parsed;
  return true;
}

ReplyScan ScanReply(std::string_view output, ReplyKind kind, bool settled) {
  ReplyScan scan;
  const std::string_view word = Word(kind);
  std::size_t pos = 0;
  // Complete lines: diagnostics, unless a line starts with the reply word (a reply that the
  // engine closed with a line feed).
  while (true) {
    std::size_t newline = output.find('\n', pos);
    if (newline == std::string_view::npos) break;
    std::string_view line = output.substr(pos, newline - pos);
    std::size_t next = newline + 1;
    if (line.starts_with(word)) {
      std::string_view reply = line;
      if (reply.ends_with('\r')) reply.remove_suffix(1);
      scan.text = std::string(reply);
      scan.consumed = next;
      scan.status =
          IsReply(reply, kind, scan.release) ? ScanStatus::kComplete : ScanStatus::kInvalid;
      return scan;
    }
    scan.diagnostics.emplace_back(line);
    pos = next;
  }
  scan.consumed = pos;
  std::string_view tail = output.substr(pos);
  if (!tail.empty() && IsReply(tail, kind, scan.release)) {
    scan.text = std::string(tail);
    scan.consumed = output.size();
    scan.status = ScanStatus::kComplete;
  } else if (!tail.empty() && settled) {
    scan.text = std::string(tail);
    scan.status = ScanStatus::kInvalid;
  }
  return scan;
}

}  // namespace Match
