#pragma once
// Runs API implementations on the main thread: the list of registered
// implementations and the calls that carry a packet to one of them, waiting for
// its result or not.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/config/text_conversions.h"
#include "core/host/main_thread_queue.h"
#include "core/host/message_packet.h"

namespace kp {

// An API implementation: reads its arguments from the packet by name. Only the
// low 32 bits of its result reach the caller.
using TApiHandler = std::function<std::int64_t(TMessagePacket&)>;
using HandlerIndex = std::int32_t;

class TDispatcher {
 public:
  explicit TDispatcher(TMainThreadQueue& queue) : queue_(queue) {}

  // Appends to the handler list; the index is the position (0 for the first).
  // Register on the main thread, before plugins can call.
  HandlerIndex RegisterHandler(TApiHandler handler);

  // Runs the implementation at index on the main thread (at once when the caller
  // is the main thread, otherwise by a synchronous wait on the main-thread queue),
  // frees the packet and returns the result. An invalid index runs nothing and
  // gives 0; a failure inside the implementation gives 0 and goes no further.
  std::int32_t DispatchCall(HandlerIndex index, TMessagePacket packet);

  // For calls whose result is fixed: the implementation at index runs on the main
  // thread with the packet, but the caller does not wait for it (the queue's
  // PostCall says when it runs and when it is dropped instead). The packet
  // travels with the call and is freed once the call has run or been dropped. A
  // failure inside the implementation is counted as for DispatchCall. The
  // dispatcher must outlive every drain of the queue.
  void PostCall(HandlerIndex index, TMessagePacket packet);

  // Main thread only. The implementation at index is let go: calls for it that
  // are still queued run nothing, and its index is never reused.
  void Unregister(HandlerIndex index) noexcept;

  [[nodiscard]] std::size_t HandlerCount() const noexcept { return handlers_.size(); }
  [[nodiscard]] TMainThreadQueue& Queue() const noexcept { return queue_; }
  // Implementations that failed since the start; nothing else records them.
  [[nodiscard]] std::uint64_t FailureCount() const noexcept { return failures_.load(); }

 private:
  std::int64_t RunOnMainThread(HandlerIndex index, TMessagePacket& packet) noexcept;

  TMainThreadQueue& queue_;
  std::vector<TApiHandler> handlers_;
  std::atomic<std::uint64_t> failures_{0};
};

}  // namespace kp
