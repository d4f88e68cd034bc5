#pragma once
// The threads of one plugin that have called the API, and whether its calls
// from them are still carried. A plugin's library may be released only when
// none of its threads is left: a thread still running would return into code
// that is gone.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace kp {

class TCallingThreads {
 public:
  TCallingThreads();

  // Called on every API call that does not come from the main thread: notes
  // the thread once (a thread-local memo keeps the common case lock-free).
  void Note();

  // From now on calls from any thread but this one are refused.
  void RefuseOthers() noexcept;
  [[nodiscard]] bool Refuses(std::thread::id caller) const noexcept {
    return refused_.load(std::memory_order_acquire) && caller != allowed_;
  }

  // Brackets every call through one of the plugin's entries, so that freeing
  // the entries after the threads have ended comes after their last reads.
  void Enter() noexcept { inside_.fetch_add(1, std::memory_order_relaxed); }
  void Leave() noexcept { inside_.fetch_sub(1, std::memory_order_release); }

  // Waits up to the time given for every noted thread to end and no call to be
  // inside an entry. True when none is left.
  [[nodiscard]] bool WaitUntilAllEnded(std::chrono::milliseconds patience) const;

 private:
  const std::uint64_t serial_;
  mutable std::mutex mutex_;
  std::vector<pid_t> threads_;
  std::atomic<bool> refused_{false};
  std::atomic<int> inside_{0};
  std::thread::id allowed_;  // written before refused_ is set
};

}  // namespace kp
