// Many threads of two plugins calling through their entries while the main loop
// runs: every call reaches the main thread once, in order per thread, under the
// right sender, and gets its own answer back.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

constexpr int kCallsPerThread = 100'000;
constexpr int kThreadsPerPlugin = 8;

TEST(PluginStress, SixteenThreadsOfTwoPluginsDispatchWithoutLossOrMixUp) {
  test::TempFolder temp;
  std::filesystem::create_directories(temp / "Plugins");
  std::filesystem::copy_file(KP_TP_STRESS, temp / "Plugins/first.so");
  std::filesystem::copy_file(KP_TP_STRESS, temp / "Plugins/second.so");
  temp.WriteFile("Plugins/order.fpc", "first.so\nsecond.so\n");

  TMainThreadQueue queue;
  TDispatcher dispatcher(queue);
  TApiRegistry registry(dispatcher);
  TMainLoop loop(queue);
  TPluginManager manager(registry, [&] { loop.ProcessPendingMessages(); });

  // Main thread only, so plain containers are safe here.
  std::map<std::pair<const TPluginHolder*, std::uint32_t>, std::uint32_t> nextSequence;
  long long calls = 0;
  long long outOfOrder = 0;
  registry.Implement("ApplicationMenuRemove", [&](TMessagePacket& packet) -> std::int64_t {
    const std::uint32_t handle = packet.GetObject("poMenu");
    std::uint32_t& expected = nextSequence[{packet.SenderPlugin, handle >> 20}];
    if ((handle & 0xFFFFFu) != expected) ++outOfOrder;
    expected = (handle & 0xFFFFFu) + 1;
    ++calls;
    return handle;
  });
  manager.ScanPlugins(temp / "Plugins");
  ASSERT_EQ(manager.GetPluginCount(), 2u);

  using Start = void (*)(int, int);
  using Join = int (*)();
  std::vector<Join> joins;
  for (std::size_t p = 0; p < 2; ++p) {
    auto start = reinterpret_cast<Start>(::dlsym(manager.GetPlugin(p)->Module, "TestStress_Start"));
    auto join = reinterpret_cast<Join>(::dlsym(manager.GetPlugin(p)->Module, "TestStress_Join"));
    ASSERT_NE(start, nullptr);
    ASSERT_NE(join, nullptr);
    joins.push_back(join);
    start(kThreadsPerPlugin, kCallsPerThread);
  }
  // The plugins' threads are joined elsewhere while this, the main thread, serves them.
  std::atomic<int> wrongResults{0};
  std::atomic<bool> joined{false};
  std::thread joiner([&] {
    for (Join join : joins) wrongResults += join();
    joined = true;
  });
  while (!joined.load()) loop.RunOnce(std::chrono::milliseconds(5));
  joiner.join();

  const long long expectedCalls = 2LL * kThreadsPerPlugin * kCallsPerThread;
  EXPECT_EQ(calls, expectedCalls);
  EXPECT_EQ(outOfOrder, 0);
  EXPECT_EQ(wrongResults.load(), 0);
  ASSERT_EQ(nextSequence.size(), 2u * kThreadsPerPlugin);
  for (const auto& [key, next] : nextSequence) {
    EXPECT_TRUE(key.first == manager.GetPlugin(0) || key.first == manager.GetPlugin(1));
    EXPECT_EQ(next, static_cast<std::uint32_t>(kCallsPerThread)) << "thread " << key.second;
  }
  manager.UnloadAllPlugins();
}

}  // namespace
}  // namespace kp
