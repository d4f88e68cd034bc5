#include "core/host/main_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "core/host/dispatcher.h"
#include "core/host/main_thread_queue.h"
#include "support/waiting.h"

namespace kp {
namespace {

using test::kPatience;

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;


// Turns the loop until the condition holds or time is up.
bool RunUntil(TMainLoop& loop, const std::function<bool()>& condition) {
  const auto deadline = Clock::now() + kPatience;
  while (!condition()) {
    if (Clock::now() > deadline) return false;
    loop.RunOnce(20ms);
  }
  return true;
}

TEST(MainLoop, SingleShotFiresOnceAndRepeatingUntilKilled) {
  TMainThreadQueue queue;
  TMainLoop loop(queue);
  int singleShots = 0;
  int repeats = 0;
  loop.AddTimer(1ms, [&] { ++singleShots; }, false);
  const TMainLoop::TimerId repeating = loop.AddTimer(1ms, [&] { ++repeats; });
  EXPECT_EQ(loop.TimerCount(), 2u);

  EXPECT_TRUE(RunUntil(loop, [&] { return repeats >= 5; }));
  EXPECT_EQ(singleShots, 1);
  EXPECT_EQ(loop.TimerCount(), 1u) << "a single-shot timer is gone once it has fired";

  loop.KillTimer(repeating);
  EXPECT_EQ(loop.TimerCount(), 0u);
  const int repeatsWhenKilled = repeats;
  for (int i = 0; i < 5; ++i) loop.RunOnce(3ms);
  EXPECT_EQ(repeats, repeatsWhenKilled);
  EXPECT_EQ(singleShots, 1);

  loop.KillTimer(repeating);  // killing twice, or an unknown id, is harmless
  loop.KillTimer(12345);
}

TEST(MainLoop, TimerCallbacksMayKillAndAddTimers) {
  TMainThreadQueue queue;
  TMainLoop loop(queue);
  int selfKilling = 0;
  int victim = 0;
  int added = 0;
  TMainLoop::TimerId self = 0;
  TMainLoop::TimerId victimId = 0;

  // The first timer kills the second before it can fire, even when both are due
  // in the same turn.
  loop.AddTimer(0ms, [&] { loop.KillTimer(victimId); }, false);
  victimId = loop.AddTimer(0ms, [&] { ++victim; }, false);

  // A repeating timer that kills itself on its third tick, and on its first adds
  // enough timers that the timer list has to grow under it.
  self = loop.AddTimer(1ms, [&] {
    if (++selfKilling == 1) {
      for (int i = 0; i < 40; ++i) loop.AddTimer(1ms, [&] { ++added; }, false);
    }
    if (selfKilling == 3) loop.KillTimer(self);
  });

  EXPECT_TRUE(RunUntil(loop, [&] { return loop.TimerCount() == 0; }));
  EXPECT_EQ(victim, 0);
  EXPECT_EQ(selfKilling, 3);
  EXPECT_EQ(added, 40);
  for (int i = 0; i < 5; ++i) loop.RunOnce(3ms);
  EXPECT_EQ(selfKilling, 3);
}

TEST(MainLoop, RunOnceWakesForTheNextTimerAndForWorkFromOtherThreads) {
  TMainThreadQueue queue;
  TMainLoop loop(queue);

  // Each wait is capped far above what it should take; returning well before the
  // cap shows the loop woke for the event and did not sit out the time-out.
  bool fired = false;
  loop.AddTimer(10ms, [&] { fired = true; }, false);
  auto start = Clock::now();
  while (!fired && Clock::now() - start < kPatience) loop.RunOnce(60s);
  EXPECT_TRUE(fired);
  EXPECT_LT(Clock::now() - start, 30s);

  bool posted = false;
  std::thread other([&] {
    std::this_thread::sleep_for(10ms);
    queue.Post([&] { posted = true; });
  });
  start = Clock::now();
  while (!posted && Clock::now() - start < kPatience) loop.RunOnce(60s);
  other.join();
  EXPECT_TRUE(posted);
  EXPECT_LT(Clock::now() - start, 30s);
}

// In the two tests below a long single-shot timer stands guard: should Quit fail
// to wake the loop, Run still ends, with -1, and the test fails instead of hanging.
// Until then Run has nothing to wake it but what is tested.

TEST(MainLoop, QuitFromAnotherThreadEndsABlockedRun) {
  TMainThreadQueue queue;
  TMainLoop loop(queue);
  loop.AddTimer(kPatience, [&] { loop.Quit(-1); }, false);
  std::thread quitter;

  // Started from inside Run, so that the Quit cannot come before Run has begun.
  loop.AddTimer(0ms, [&] {
    quitter = std::thread([&] {
      std::this_thread::sleep_for(20ms);
      loop.Quit(7);
    });
  }, false);

  EXPECT_EQ(loop.Run(), 7);
  quitter.join();
  EXPECT_TRUE(loop.QuitRequested());

  // The loop can run again; Quit from work on the loop's own thread ends it too.
  queue.Post([&] { loop.Quit(3); });
  EXPECT_EQ(loop.Run(), 3);
}

TEST(MainLoop, RunServesDispatchedCallsFromOtherThreads) {
  TMainThreadQueue queue;
  TMainLoop loop(queue);
  TDispatcher dispatcher(queue);
  loop.AddTimer(kPatience, [&] { loop.Quit(-1); }, false);
  const HandlerIndex triple = dispatcher.RegisterHandler(
      [mainThread = std::this_thread::get_id()](TMessagePacket& packet) -> std::int64_t {
        return std::this_thread::get_id() == mainThread ? packet.GetInteger(TPacketName::Unchecked("iValue")) * 3 : -1;
      });

  std::vector<std::int32_t> results;
  std::thread plugin;
  loop.AddTimer(0ms, [&] {
    plugin = std::thread([&] {
      for (std::int64_t value = 1; value <= 3; ++value) {
        TMessagePacket packet;
        packet.AddInteger("iValue", value);
        results.push_back(dispatcher.DispatchCall(triple, std::move(packet)));
      }
      loop.Quit(0);
    });
  }, false);

  EXPECT_EQ(loop.Run(), 0);
  plugin.join();
  EXPECT_EQ(results, (std::vector<std::int32_t>{3, 6, 9}));
}

}  // namespace
}  // namespace kp
