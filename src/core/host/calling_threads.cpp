#include "core/host/calling_threads.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

namespace kp {
namespace {

std::atomic<std::uint64_t> nextSerial{1};

// The serial of the plugin this thread was last noted for: a plugin's serial is
// never reused, unlike the address of its record.
thread_local std::uint64_t notedFor = 0;

bool ThreadAlive(pid_t thread) noexcept {
  // Signal 0 only asks whether the thread exists. A thread ends for the kernel
  // before a join returns, so a joined thread no longer exists here.
  return ::syscall(SYS_tgkill, ::getpid(), thread, 0) == 0;
}

}  // namespace

TCallingThreads::TCallingThreads() : serial_(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}

void TCallingThreads::Note() {
  if (notedFor == serial_) return;
  const auto self = static_cast<pid_t>(::syscall(SYS_gettid));
  {
    std::lock_guard lock(mutex_);
    if (std::find(threads_.begin(), threads_.end(), self) == threads_.end()) threads_.push_back(self);
  }
  notedFor = serial_;
}

void TCallingThreads::RefuseOthers() noexcept {
  if (refused_.load(std::memory_order_relaxed)) return;
  allowed_ = std::this_thread::get_id();
  refused_.store(true, std::memory_order_release);
}

bool TCallingThreads::WaitUntilAllEnded(std::chrono::milliseconds patience) const {
  std::vector<pid_t> threads;
  {
    std::lock_guard lock(mutex_);
    threads = threads_;
  }
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    std::erase_if(threads, [](pid_t thread) { return !ThreadAlive(thread); });
    if (threads.empty() && inside_.load(std::memory_order_acquire) == 0) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace kp
