#pragma once

#include <cstddef>
#include <string_view>

#include "curling/engine_output.h"
#include "protocol/command_processor.h"

namespace Protocol {

// The largest command one read takes. A longer text arrives over several reads, each of them a
// command of its own.
inline constexpr std::size_t kReadBufferSize = 1024;

// The command text of one read: the bytes read, up to the first zero byte among them.
std::string_view CommandText(const char* buffer, std::size_t bytesRead);

// The engine's loop: one read of at most kReadBufferSize bytes from fd per command (retried when a
// signal interrupts it), each handed to the processor. Ends when the input ends (a read of 0
// bytes), when a read fails, or when a handler asks to stop. Returns the process exit status, 0.
int RunCommandLoop(int fd, CommandProcessor& processor, Curling::EngineOutput& out);

// Writes one reply to fd in as few writes as the descriptor allows: one, unless it takes only part
// of the bytes. Returns whether every byte was written.
bool WriteReply(int fd, std::string_view bytes);

}  // namespace Protocol
