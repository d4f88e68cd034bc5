#pragma once
// The process-wide main-thread queue and dispatcher that the plugins' API entries
// use. Both are created on first use; the program touches them first on its main
// thread, which thereby owns the queue.

#include <cstdint>

#include "host/api_registry.h"
#include "host/dispatcher.h"
#include "host/main_thread_queue.h"

namespace kp {

[[nodiscard]] TMainThreadQueue& ProcessMainThreadQueue();
[[nodiscard]] TDispatcher& ProcessDispatcher();
// Which implementation answers each API function for the plugins of this process.
[[nodiscard]] TApiRegistry& ProcessApiRegistry();

HandlerIndex RegisterHandler(TApiHandler handler);
std::int32_t DispatchCall(HandlerIndex index, TMessagePacket packet);

}  // namespace kp
