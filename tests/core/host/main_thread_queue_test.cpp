#include "core/host/main_thread_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/waiting.h"

namespace kp {
namespace {

using test::DrainUntil;
using test::IsReadable;
using test::kPatience;

using namespace std::chrono_literals;

TEST(MainThreadQueue, SendOnTheOwnerThreadRunsAtOnceAndNested) {
  TMainThreadQueue queue;
  std::thread::id ranOn;
  std::int64_t inner = 0;
  const std::int64_t result = queue.Send([&]() noexcept -> std::int64_t {
    ranOn = std::this_thread::get_id();
    inner = queue.Send([]() noexcept -> std::int64_t { return -3; });
    return std::int64_t{1} << 40;
  });

  EXPECT_EQ(result, std::int64_t{1} << 40) << "the queue passes the full 64-bit result";
  EXPECT_EQ(inner, -3);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_FALSE(IsReadable(queue.WakeFd(), 0ms)) << "nothing was queued";
  EXPECT_EQ(queue.ProcessPending(), 0u);

  // The same inside work that another thread sent and a drain is serving: the
  // nested send must not wait for a drain of its own.
  std::atomic<std::int64_t> sent{0};
  std::thread other([&] {
    sent = queue.Send([&]() noexcept -> std::int64_t {
      return queue.Send([]() noexcept -> std::int64_t { return 7; }) * 10;
    });
  });
  EXPECT_TRUE(DrainUntil(queue, [&] { return sent.load() != 0; }));
  other.join();
  EXPECT_EQ(sent.load(), 70);
}

TEST(MainThreadQueue, WakeDescriptorFollowsTheWork) {
  TMainThreadQueue queue;
  EXPECT_FALSE(IsReadable(queue.WakeFd(), 0ms));

  int ran = 0;
  queue.Post([&] { ++ran; });
  queue.Post([&] { ++ran; });
  EXPECT_EQ(ran, 0) << "posted work never runs at once, even on the owner thread";
  EXPECT_TRUE(IsReadable(queue.WakeFd(), 0ms));
  EXPECT_EQ(queue.ProcessPending(), 2u);
  EXPECT_EQ(ran, 2);
  EXPECT_FALSE(IsReadable(queue.WakeFd(), 0ms));

  queue.Wake();
  EXPECT_TRUE(IsReadable(queue.WakeFd(), 0ms));
  EXPECT_EQ(queue.ProcessPending(), 0u);
  EXPECT_FALSE(IsReadable(queue.WakeFd(), 0ms));

  // Work that queues more work: one drain runs only what was waiting when it
  // began, and the descriptor stays readable for the rest.
  std::function<void()> again = [&] {
    ++ran;
    queue.Post(again);
  };
  queue.Post(again);
  EXPECT_EQ(queue.ProcessPending(), 1u);
  EXPECT_EQ(ran, 3);
  EXPECT_TRUE(IsReadable(queue.WakeFd(), 0ms));
  queue.Close();
}

TEST(MainThreadQueue, SendsAndPostsRunInArrivalOrder) {
  TMainThreadQueue queue;
  std::vector<std::string> order;  // touched on the owner thread only
  std::atomic<bool> finished{false};

  std::thread worker([&] {
    queue.Send([&]() noexcept -> std::int64_t {
      order.push_back("send 1");
      return 0;
    });
    queue.Post([&] { order.push_back("post 4"); });
    queue.Post([&] { order.push_back("post 5"); });
    queue.Send([&]() noexcept -> std::int64_t {
      order.push_back("send 6");
      return 0;
    });
    finished = true;
  });

  // The send is alone in the queue once the descriptor is readable; work posted
  // now lines up behind it.
  EXPECT_TRUE(IsReadable(queue.WakeFd(), kPatience));
  queue.Post([&] { order.push_back("post 2"); });
  queue.Post([&] { order.push_back("post 3"); });
  EXPECT_EQ(queue.ProcessPending(), 3u);

  EXPECT_TRUE(DrainUntil(queue, [&] { return finished.load(); }));
  worker.join();
  EXPECT_EQ(order, (std::vector<std::string>{"send 1", "post 2", "post 3", "post 4", "post 5", "send 6"}));
}

TEST(MainThreadQueue, NestedDrainInsideRunningWorkServesOtherThreads) {
  TMainThreadQueue queue;
  bool inModal = false;            // owner thread only
  bool servedInsideModal = false;  // owner thread only
  std::atomic<bool> dialogClosed{false};
  std::vector<int> order;
  std::thread plugin;

  // Work that behaves like a modal dialog: it processes the queue itself until
  // something it is waiting for has happened.
  queue.Post([&] {
    EXPECT_TRUE(IsReadable(queue.WakeFd(), 0ms))
        << "work queued behind this entry must keep the descriptor readable";
    inModal = true;
    plugin = std::thread([&] {
      queue.Send([&]() noexcept -> std::int64_t {
        servedInsideModal = inModal;
        dialogClosed = true;
        return 0;
      });
    });
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!dialogClosed && std::chrono::steady_clock::now() < deadline) {
      if (IsReadable(queue.WakeFd(), 10ms)) queue.ProcessPending();
    }
    inModal = false;
  });
  queue.Post([&] { order.push_back(1); });
  queue.Post([&] { order.push_back(2); });

  queue.ProcessPending();
  EXPECT_TRUE(dialogClosed);
  EXPECT_TRUE(servedInsideModal);
  EXPECT_EQ(order, (std::vector<int>{1, 2})) << "the nested drain goes on with the same queue, in order";

  DrainUntil(queue, [&] { return dialogClosed.load(); });  // releases the sender should the check above fail
  plugin.join();
}

TEST(MainThreadQueue, OnlyTheOwnerDrainsAndFailingPostedWorkIsContained) {
  TMainThreadQueue queue;
  std::vector<int> ran;
  queue.Post([&] { ran.push_back(1); });
  queue.Post([] { throw std::runtime_error("posted work failed"); });
  queue.Post([&] { ran.push_back(3); });

  std::size_t drainedElsewhere = 99;
  std::thread other([&] { drainedElsewhere = queue.ProcessPending(); });
  other.join();
  EXPECT_EQ(drainedElsewhere, 0u);
  EXPECT_TRUE(ran.empty());
  EXPECT_TRUE(IsReadable(queue.WakeFd(), 0ms)) << "the work is still waiting";

  EXPECT_EQ(queue.ProcessPending(), 3u);
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
}

TEST(MainThreadQueue, CloseReleasesWaitingSendersWithZero) {
  TMainThreadQueue queue;
  std::atomic<bool> workRan{false};
  std::atomic<std::int64_t> result{-1};

  std::thread sender([&] {
    result = queue.Send([&]() noexcept -> std::int64_t {
      workRan = true;
      return 5;
    });
  });
  EXPECT_TRUE(IsReadable(queue.WakeFd(), kPatience));
  int postedRan = 0;
  queue.Post([&] { ++postedRan; });

  queue.Close();
  sender.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(workRan);

  // Closed: other threads' work is refused at once, posted work is dropped.
  std::thread late([&] {
    result = queue.Send([&]() noexcept -> std::int64_t {
      workRan = true;
      return 6;
    });
    queue.Post([&] { ++postedRan; });
  });
  late.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(queue.ProcessPending(), 0u);
  EXPECT_FALSE(workRan);
  EXPECT_EQ(postedRan, 0);
}

TEST(MainThreadQueue, ARefusedSenderIsAnsweredZeroWhileOthersAreServed) {
  TMainThreadQueue queue;
  const int stopping = 0;
  const int running = 0;
  auto answer = [](std::int64_t value) { return [value]() noexcept -> std::int64_t { return value; }; };
  std::atomic<std::int64_t> waiting{-1};
  std::thread blocked([&] { waiting = queue.Send(answer(7), &stopping); });
  EXPECT_TRUE(IsReadable(queue.WakeFd(), kPatience));

  queue.RefuseSender(&stopping);
  blocked.join();
  EXPECT_EQ(waiting, 0) << "a call that already waited is released";
  EXPECT_EQ(queue.Send(answer(8), &stopping), 8) << "the owner thread's own calls still run";

  std::atomic<std::int64_t> late{-1};
  std::atomic<std::int64_t> other{-1};
  std::thread callers([&] {
    late = queue.Send(answer(9), &stopping);
    other = queue.Send(answer(10), &running);
  });
  DrainUntil(queue, [&] { return other != -1; });
  callers.join();
  EXPECT_EQ(late, 0) << "refused at once, without waiting for a drain";
  EXPECT_EQ(other, 10);

  queue.AcceptSender(&stopping);
  std::thread again([&] { late = queue.Send(answer(11), &stopping); });
  DrainUntil(queue, [&] { return late == 11; });
  again.join();
  EXPECT_EQ(late, 11);
}

TEST(MainThreadQueue, DestroyingTheQueueReleasesABlockedSender) {
  auto queue = std::make_unique<TMainThreadQueue>();
  std::atomic<std::int64_t> result{-1};
  TMainThreadQueue* const shared = queue.get();
  std::thread sender([&] { result = shared->Send([]() noexcept -> std::int64_t { return 8; }); });
  EXPECT_TRUE(IsReadable(queue->WakeFd(), kPatience));

  queue.reset();  // waits for the sender to leave before the queue goes away
  sender.join();
  EXPECT_EQ(result, 0);
}

// Several threads mix posted calls and sends; each thread's calls must run in
// the order it made them, and a send must find its thread's earlier posts done.
TEST(MainThreadQueue, PostedCallsAndSendsKeepEachThreadsOrder) {
  TMainThreadQueue queue(3);  // small, so that posters also wait for room
  constexpr int kThreads = 3;
  constexpr int kCallsEach = 60;
  std::vector<std::vector<int>> seen(kThreads);  // owner thread only
  std::atomic<int> finished{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCallsEach; ++i) {
        if (i % 7 == 6) {
          queue.Send([&, t, i]() noexcept -> std::int64_t {
            seen[static_cast<std::size_t>(t)].push_back(i);
            return 0;
          });
        } else {
          queue.PostCall([&, t, i]() noexcept { seen[static_cast<std::size_t>(t)].push_back(i); });
        }
      }
      ++finished;
    });
  }
  EXPECT_TRUE(DrainUntil(queue, [&] { return finished.load() == kThreads; }));
  for (std::thread& thread : threads) thread.join();
  queue.ProcessPending();

  std::vector<int> expected(kCallsEach);
  for (int i = 0; i < kCallsEach; ++i) expected[static_cast<std::size_t>(i)] = i;
  for (const std::vector<int>& calls : seen) EXPECT_EQ(calls, expected);
}

TEST(MainThreadQueue, AFloodOfPostedCallsWaitsForRoomAndNothingIsLost) {
  constexpr std::size_t kCapacity = 4;
  constexpr int kCalls = 200;
  TMainThreadQueue queue(kCapacity);
  std::atomic<int> posted{0};
  std::vector<int> ran;  // owner thread only
  std::size_t overfull = 0;
  std::thread flood([&] {
    for (int i = 0; i < kCalls; ++i) {
      queue.PostCall([&, i]() noexcept {
        ran.push_back(i);
        // What has been handed over beyond what was taken out must fit the queue.
        if (static_cast<std::size_t>(posted.load()) > ran.size() + kCapacity) ++overfull;
      });
      ++posted;
    }
  });
  // Unbounded, the whole flood would be queued by now.
  EXPECT_TRUE(IsReadable(queue.WakeFd(), kPatience));
  std::this_thread::sleep_for(50ms);
  EXPECT_LE(static_cast<std::size_t>(posted.load()), kCapacity);

  EXPECT_TRUE(DrainUntil(queue, [&] { return ran.size() == kCalls; }));
  flood.join();
  EXPECT_EQ(overfull, 0u);
  for (int i = 0; i < kCalls; ++i) ASSERT_EQ(ran[static_cast<std::size_t>(i)], i);
}

// The queue is full of a stopping plugin's calls, one more of them waits for
// room, and another sender's call waits behind them.
TEST(MainThreadQueue, ARefusedSendersPostedCallsAreDroppedUnrunAndFreed) {
  TMainThreadQueue queue(2);
  const int stopping = 0;
  const int running = 0;
  // Stands for the calls' packets, and counts the stopping sender's calls that ran.
  auto packet = std::make_shared<int>(0);
  std::atomic<int> returned{0};
  int runningRan = 0;

  std::thread first([&] {
    queue.PostCall([&]() noexcept { ++runningRan; }, &running);
    queue.PostCall([packet]() noexcept { ++*packet; }, &stopping);
  });
  first.join();
  std::thread waiting([&] {
    queue.PostCall([packet]() noexcept { ++*packet; }, &stopping);
    ++returned;
  });
  std::this_thread::sleep_for(30ms);  // most likely waiting for room by now

  queue.RefuseSender(&stopping);
  waiting.join();
  EXPECT_EQ(returned, 1) << "a call waiting for room is released";
  EXPECT_EQ(packet.use_count(), 1) << "the dropped calls are freed at once";

  std::thread late([&] { queue.PostCall([packet]() noexcept { ++*packet; }, &stopping); });
  late.join();
  EXPECT_EQ(packet.use_count(), 1);
  EXPECT_EQ(queue.ProcessPending(), 1u);
  EXPECT_EQ(runningRan, 1) << "another sender's call is still served";
  EXPECT_EQ(*packet, 0);

  // The owner thread's own calls run at once, refused or not.
  queue.PostCall([packet]() noexcept { ++*packet; }, &stopping);
  EXPECT_EQ(*packet, 1);
}

TEST(MainThreadQueue, APostedCallOnTheOwnerThreadRunsAtOnceAlsoWhenTheQueueIsFull) {
  TMainThreadQueue queue(1);
  std::vector<int> ran;
  std::thread other([&] { queue.PostCall([&]() noexcept { ran.push_back(1); }); });
  other.join();

  queue.PostCall([&]() noexcept { ran.push_back(2); });
  EXPECT_EQ(ran, std::vector<int>{2}) << "ran at once, without waiting for room";
  EXPECT_EQ(queue.ProcessPending(), 1u);
  EXPECT_EQ(ran, (std::vector<int>{2, 1}));
}

TEST(MainThreadQueue, CloseDropsPostedCallsAndReleasesThoseWaitingForRoom) {
  TMainThreadQueue queue(1);
  auto packet = std::make_shared<int>(0);  // counts the calls that ran
  std::atomic<int> returned{0};
  std::thread poster([&] {
    for (int i = 0; i < 3; ++i) {
      queue.PostCall([packet]() noexcept { ++*packet; });
      ++returned;
    }
  });
  EXPECT_TRUE(IsReadable(queue.WakeFd(), kPatience));

  queue.Close();
  poster.join();
  EXPECT_EQ(returned, 3);
  EXPECT_EQ(packet.use_count(), 1);
  EXPECT_EQ(queue.ProcessPending(), 0u);
  EXPECT_EQ(*packet, 0);
}

}  // namespace
}  // namespace kp
