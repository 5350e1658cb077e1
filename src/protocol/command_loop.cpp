#include "protocol/command_loop.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace Protocol {

std::string_view CommandText(const char* buffer, std::size_t bytesRead) {
  const void* zero = std::memchr(buffer, '\0', bytesRead);
  const std::size_t length =
      zero == nullptr ? bytesRead
                      : static_cast<std::size_t>(static_cast<const char*>(zero) - buffer);
  return {buffer, length};
}

int RunCommandLoop(int fd, CommandProcessor& processor, Curling::EngineOutput& out) {
  std::array<char, kReadBufferSize> buffer;
  while (true) {
    buffer.fill('\0');
    ssize_t n;
    do {
      n = ::read(fd, buffer.data(), buffer.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return 0;  // end of input or a broken input: nothing more will come
    if (!processor.Handle(CommandText(buffer.data(), static_cast<std::size_t>(n)), out)) return 0;
  }
}

bool WriteReply(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

}  // namespace Protocol
