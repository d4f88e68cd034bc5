#pragma once
// Waiting in tests of threaded code: generous bounds, so a loaded machine slows a
// test down but does not fail it.

#include <poll.h>

#include <chrono>
#include <functional>

#include "core/host/main_thread_queue.h"

namespace kp::test {

inline constexpr std::chrono::seconds kPatience{20};

// True when the descriptor becomes readable within the wait.
inline bool IsReadable(int fd, std::chrono::milliseconds wait) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(wait.count())) == 1 && (entry.revents & POLLIN) != 0;
}

// Drains the queue on this thread, its owner, until the condition holds; false
// when time ran out first.
inline bool DrainUntil(TMainThreadQueue& queue, const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (IsReadable(queue.WakeFd(), std::chrono::milliseconds(10))) queue.ProcessPending();
  }
  return true;
}

}  // namespace kp::test
