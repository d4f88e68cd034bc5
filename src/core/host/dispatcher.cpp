#include "core/host/dispatcher.h"

#include <utility>

namespace kp {

HandlerIndex TDispatcher::RegisterHandler(TApiHandler handler) {
  handlers_.push_back(std::move(handler));
  return static_cast<HandlerIndex>(handlers_.size() - 1);
}

std::int64_t TDispatcher::RunOnMainThread(HandlerIndex index, TMessagePacket& packet) noexcept {
  if (index < 0 || static_cast<std::size_t>(index) >= handlers_.size()) return 0;
  const TApiHandler& handler = handlers_[static_cast<std::size_t>(index)];
  if (!handler) return 0;
  try {
    return handler(packet);
  } catch (...) {
    // A failing implementation must never disturb the plugin that called it.
    failures_.fetch_add(1, std::memory_order_relaxed);
    return 0;
  }
}

std::int32_t TDispatcher::DispatchCall(HandlerIndex index, TMessagePacket packet) {
  // On the main thread the send runs the work at once, nested in what that
  // thread was doing; from any other thread it waits for the main thread.
  auto work = [&]() noexcept { return RunOnMainThread(index, packet); };
  // A stopping plugin's calls from its other threads are answered 0 at once.
  const std::int64_t result = queue_.Send(work, packet.SenderPlugin);
  // The packet is freed here, when this call returns, on every path.
  return LowThirtyTwoBits(result);
}

void TDispatcher::PostCall(HandlerIndex index, TMessagePacket packet) {
  const void* const sender = packet.SenderPlugin;
  // The packet moves into the queued call: the caller's arguments were copied
  // into it already, so nothing of the caller is read once this returns.
  queue_.PostCall(
      [this, index, carried = std::move(packet)]() mutable noexcept { RunOnMainThread(index, carried); },
      sender);
}

void TDispatcher::Unregister(HandlerIndex index) noexcept {
  if (index >= 0 && static_cast<std::size_t>(index) < handlers_.size())
    handlers_[static_cast<std::size_t>(index)] = nullptr;
}

}  // namespace kp
