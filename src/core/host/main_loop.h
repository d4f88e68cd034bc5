#pragma once
// The headless main loop: drains the main-thread queue, fires timers, and runs
// until asked to quit. Tests and runs without a display use it; the desktop
// program drains the same queue from Qt's event loop instead.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/host/main_thread_queue.h"

namespace kp {

class TMainLoop {
 public:
  using Clock = std::chrono::steady_clock;
  using TimerId = std::uint32_t;

  explicit TMainLoop(TMainThreadQueue& queue) : queue_(queue) {}

  // Runs until Quit, blocking between events. Returns the exit code given to Quit.
  int Run();
  // Asks Run to return; callable from any thread and from inside loop work.
  void Quit(int exitCode = 0);
  [[nodiscard]] bool QuitRequested() const noexcept { return quit_.load(); }

  // Drains the queue and fires due timers once, without blocking.
  void ProcessPendingMessages();
  // Waits at most the time given (or until the next timer is due, or work
  // arrives), then processes what is pending.
  void RunOnce(Clock::duration maxWait);

  // Main-thread only. A repeating timer fires every interval until it is killed;
  // a single-shot timer fires once and is then gone.
  TimerId AddTimer(Clock::duration interval, std::function<void()> callback, bool repeating = true);
  void KillTimer(TimerId id);
  [[nodiscard]] std::size_t TimerCount() const noexcept { return timers_.size(); }

 private:
  struct Timer {
    TimerId id;
    Clock::duration interval;
    Clock::time_point due;
    bool repeating;
    std::function<void()> callback;
  };

  void FireDueTimers();
  [[nodiscard]] int MillisecondsUntilNextTimer(Clock::duration cap) const;

  TMainThreadQueue& queue_;
  std::vector<Timer> timers_;
  TimerId nextTimerId_ = 1;
  std::atomic<bool> quit_{false};
  std::atomic<int> exitCode_{0};
};

}  // namespace kp
