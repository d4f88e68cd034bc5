#pragma once
// The process-wide main-thread queue and API registry that the plugins' API
// entries use. Both are created on first use; the program touches them first on
// its main thread, which thereby owns the queue.

#include "core/host/api_registry.h"
#include "core/host/main_thread_queue.h"

namespace kp {

[[nodiscard]] TMainThreadQueue& ProcessMainThreadQueue();
// Which implementation answers each API function for the plugins of this process.
[[nodiscard]] TApiRegistry& ProcessApiRegistry();

}  // namespace kp
