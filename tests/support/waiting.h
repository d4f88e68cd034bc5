#pragma once
// Waiting in tests of threaded code: generous bounds, so a loaded machine slows a
// test down but does not fail it.

#include <poll.h>

#include <chrono>

namespace kp::test {

inline constexpr std::chrono::seconds kPatience{20};

// True when the descriptor becomes readable within the wait.
inline bool IsReadable(int fd, std::chrono::milliseconds wait) {
  pollfd entry{fd, POLLIN, 0};
  return ::poll(&entry, 1, static_cast<int>(wait.count())) == 1 && (entry.revents & POLLIN) != 0;
}

}  // namespace kp::test
