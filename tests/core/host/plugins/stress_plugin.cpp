// A plugin whose threads hammer one dispatched function through its entry.
// Each call names its thread and sequence number in the handle it passes, so
// the test can tell that nothing was lost, doubled or attributed to the wrong
// plugin.
#include <atomic>
#include <thread>
#include <vector>

#include "keplinor_plugin.h"

KP_IMPORT(ApplicationMenuRemove);

namespace {
std::vector<std::thread> threads;
std::atomic<int> failures{0};
}  // namespace

KP_STARTUP {
  (void)applicationBlock;
  (void)pluginBlock;
}

KP_SHUTDOWN {
  for (std::thread& thread : threads) {
    if (thread.joinable()) thread.join();
  }
  threads.clear();
}

// Starts the threads; each makes `calls` calls of ApplicationMenuRemove with
// the handle (thread << 20 | sequence) and expects the handle back as result.
extern "C" KP_EXPORT void TestStress_Start(int threadCount, int calls) {
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([t, calls] {
      for (int i = 0; i < calls; ++i) {
        const kp_handle handle = static_cast<kp_handle>(t) << 20 | static_cast<kp_handle>(i);
        if (ApplicationMenuRemove(handle) != static_cast<int32_t>(handle)) failures.fetch_add(1);
      }
    });
  }
}

// Waits for the threads; the number of calls whose result was wrong.
extern "C" KP_EXPORT int TestStress_Join(void) {
  for (std::thread& thread : threads) thread.join();
  threads.clear();
  return failures.exchange(0);
}
