#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "curling_simulator.h"

namespace Match {

// The reply a command waits for: "READYOK" after ISREADY, "BESTSHOT vx vy curl" after GO.
enum class ReplyKind { kReadyOk, kBestShot };

enum class ScanStatus {
  kIncomplete,  // no reply yet: keep reading
  kComplete,    // a valid reply was found
  kInvalid,     // the engine wrote something that is not a valid reply
};

// What an engine has written so far in answer to one command. Engines write diagnostic lines
// (each ending in a line feed) before their reply, which has no terminator; the scan keeps the
// lines apart from the reply.
struct ReplyScan {
  ScanStatus status = ScanStatus::kIncomplete;
  std::vector<std::string> diagnostics;  // complete lines before the reply, without line feeds
  std::string text;                      // the reply, or the offending text when invalid
  ShotVelocity release{};                // the parsed release of a complete BESTSHOT
  std::size_t consumed = 0;              // bytes of the input used up by diagnostics and reply
};

// Scans an engine's output. `settled` says that no more output is to be expected (the engine has
// been quiet for a while, has exited or has run out of time): unfinished text that is not a
// complete reply is then invalid instead of incomplete. A reply directly followed by a line feed
// (or CR LF) is accepted too.
ReplyScan ScanReply(std::string_view output, ReplyKind kind, bool settled);

// Parses exactly "BESTSHOT vx vy curl": two finite decimal numbers that fit a float and a curl of
// 0 or 1, single spaces, nothing else. False for anything else.
bool ParseBestShot(std::string_view text, ShotVelocity& release);

}  // namespace Match
