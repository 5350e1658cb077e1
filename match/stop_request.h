#pragma once

#include <atomic>
#include <stdexcept>

namespace Match {

// Thrown out of a wait when the match was asked to stop because another of its slots failed or was
// interrupted; the slot that sees it unwinds and ends its engines like after a signal.
struct Stopped : std::runtime_error {
  Stopped() : std::runtime_error("the match was stopped") {}
};

// Tells every slot of a match to give up at once: set once by the slot that failed, seen by the
// others in their next wait or while they sleep in one (its descriptor becomes readable and stays
// so, which wakes every poll that watches it). Thread-safe; not copyable.
class StopRequest {
 public:
  // Throws std::system_error when no descriptor can be had.
  StopRequest();
  ~StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  void Request();
  bool Requested() const { return requested_.load(); }
  // Readable once the stop was requested.
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::atomic<bool> requested_{false};
};

}  // namespace Match
