#include "stop_request.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace Match {

StopRequest::StopRequest() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

StopRequest::~StopRequest() {
  close(fd_);
}

void StopRequest::Request() {
  if (requested_.exchange(true)) return;
  const std::uint64_t one = 1;
  // Never read, so the counter cannot overflow and the descriptor stays readable.
  [[maybe_unused]] ssize_t written = write(fd_, &one, sizeof one);
}

}  // namespace Match
