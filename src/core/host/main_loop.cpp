#include "core/host/main_loop.h"

#include <poll.h>

#include <algorithm>
#include <utility>

namespace kp {

int TMainLoop::Run() {
  quit_.store(false);
  while (!quit_.load()) RunOnce(std::chrono::hours(1));
  return exitCode_.load();
}

void TMainLoop::Quit(int exitCode) {
  exitCode_.store(exitCode);
  quit_.store(true);
  queue_.Wake();
}

void TMainLoop::ProcessPendingMessages() {
  queue_.ProcessPending();
  FireDueTimers();
}

void TMainLoop::RunOnce(Clock::duration maxWait) {
  pollfd wake{queue_.WakeFd(), POLLIN, 0};
  ::poll(&wake, 1, MillisecondsUntilNextTimer(maxWait));
  ProcessPendingMessages();
}

int TMainLoop::MillisecondsUntilNextTimer(Clock::duration cap) const {
  auto wait = cap;
  const auto now = Clock::now();
  for (const Timer& timer : timers_) wait = std::min(wait, timer.due - now);
  if (wait <= Clock::duration::zero()) return 0;
  // Rounded up, so a timer is never polled for a moment before it is due.
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
  return static_cast<int>(std::min<std::int64_t>(ms, 24 * 3600 * 1000));
}

TMainLoop::TimerId TMainLoop::AddTimer(Clock::duration interval, std::function<void()> callback,
                                       bool repeating) {
  const TimerId id = nextTimerId_++;
  interval = std::max(interval, Clock::duration::zero());
  timers_.push_back({id, interval, Clock::now() + interval, repeating, std::move(callback)});
  return id;
}

void TMainLoop::KillTimer(TimerId id) {
  std::erase_if(timers_, [id](const Timer& timer) { return timer.id == id; });
}

void TMainLoop::FireDueTimers() {
  const auto now = Clock::now();
  // Callbacks may add or kill timers, so the due ones are collected first and each
  // is looked up again before it fires.
  std::vector<TimerId> due;
  for (const Timer& timer : timers_) {
    if (timer.due <= now) due.push_back(timer.id);
  }
  for (const TimerId id : due) {
    auto it = std::find_if(timers_.begin(), timers_.end(), [id](const Timer& t) { return t.id == id; });
    if (it == timers_.end()) continue;
    std::function<void()> callback = it->callback;
    if (it->repeating) {
      // Keeps the pace without piling up missed ticks after a long stall.
      it->due = std::max(it->due + it->interval, now);
    } else {
      timers_.erase(it);
    }
    callback();
  }
}

}  // namespace kp
