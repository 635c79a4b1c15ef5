// A request to stop a run, made on one thread (the window's Cancel button)
// and seen on another (the build). The build and packaging look at it
// between their steps; the run facility looks at it while it waits for an
// outside program and then ends that program, the one it started.
#pragma once

#include <atomic>

namespace lh {

class Cancellation {
 public:
  void request() { requested_.store(true, std::memory_order_relaxed); }
  bool requested() const { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

// True when `cancel` is there and has been requested.
inline bool stop_requested(const Cancellation* cancel) { return cancel && cancel->requested(); }

}  // namespace lh
