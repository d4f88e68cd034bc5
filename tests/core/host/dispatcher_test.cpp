#include "core/host/dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/waiting.h"

namespace kp {
namespace {

using test::IsReadable;
using test::kPatience;

using namespace std::chrono_literals;

TMessagePacket PacketWithValue(std::int64_t value) {
  TMessagePacket packet;
  packet.AddInteger("iValue", value);
  return packet;
}

// A plugin thread that makes one dispatched call.
class PluginCall {
 public:
  PluginCall(TDispatcher& dispatcher, HandlerIndex index, TMessagePacket packet)
      : thread_([this, &dispatcher, index, moved = std::move(packet)]() mutable {
          result_ = dispatcher.DispatchCall(index, std::move(moved));
          done_ = true;
        }) {}
  PluginCall(const PluginCall&) = delete;
  PluginCall& operator=(const PluginCall&) = delete;
  ~PluginCall() { Join(); }

  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  [[nodiscard]] bool Done() const { return done_.load(); }
  [[nodiscard]] std::int32_t Result() const { return result_.load(); }

 private:
  std::atomic<bool> done_{false};
  std::atomic<std::int32_t> result_{-12345};
  std::thread thread_;
};

class DispatcherTest : public ::testing::Test {
 protected:
  // Processes the queue on this thread, the queue's owner, until the condition holds.
  bool DrainUntil(const std::function<bool()>& condition) { return test::DrainUntil(queue_, condition); }

  // Makes a call on a plugin thread and serves it from here.
  std::int32_t CallFromPluginThread(HandlerIndex index, TMessagePacket packet) {
    PluginCall call(dispatcher_, index, std::move(packet));
    EXPECT_TRUE(DrainUntil([&] { return call.Done(); }));
    call.Join();
    return call.Result();
  }

  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
};

TEST_F(DispatcherTest, HandlersAreNumberedInOrderAndBadIndicesRunNothing) {
  int calls = 0;
  auto counting = [&](std::int64_t result) {
    return [&calls, result](TMessagePacket&) {
      ++calls;
      return result;
    };
  };
  EXPECT_EQ(dispatcher_.RegisterHandler(counting(10)), 0);
  EXPECT_EQ(dispatcher_.RegisterHandler(counting(11)), 1);
  EXPECT_EQ(dispatcher_.RegisterHandler(TApiHandler{}), 2);
  EXPECT_EQ(dispatcher_.HandlerCount(), 3u);

  EXPECT_EQ(dispatcher_.DispatchCall(1, TMessagePacket{}), 11);
  EXPECT_EQ(dispatcher_.DispatchCall(0, TMessagePacket{}), 10);
  EXPECT_EQ(calls, 2);

  for (const HandlerIndex bad :
       {-1, 2, 3, std::numeric_limits<HandlerIndex>::min(), std::numeric_limits<HandlerIndex>::max()}) {
    EXPECT_EQ(dispatcher_.DispatchCall(bad, PacketWithValue(1)), 0) << bad;
  }
  EXPECT_EQ(CallFromPluginThread(-1, PacketWithValue(1)), 0);
  EXPECT_EQ(CallFromPluginThread(3, PacketWithValue(1)), 0);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(dispatcher_.FailureCount(), 0u) << "a bad index is no failure of an implementation";
}

TEST_F(DispatcherTest, OnlyTheLowThirtyTwoBitsOfTheResultReachTheCaller) {
  const HandlerIndex echo = dispatcher_.RegisterHandler(
      [](TMessagePacket& packet) { return packet.GetInteger(TPacketName::Unchecked("iValue")); });

  EXPECT_EQ(dispatcher_.DispatchCall(echo, PacketWithValue(0x1'2345'6789)), 0x2345'6789);
  EXPECT_EQ(dispatcher_.DispatchCall(echo, PacketWithValue(0x7'8000'0000)),
            std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(dispatcher_.DispatchCall(echo, PacketWithValue(0xFFFF'FFFF)), -1);
  EXPECT_EQ(dispatcher_.DispatchCall(echo, PacketWithValue(std::numeric_limits<std::int64_t>::min())), 0);
  EXPECT_EQ(dispatcher_.DispatchCall(echo, PacketWithValue(-7)), -7);
  // The road through the queue carries the whole value; the cut is the same.
  EXPECT_EQ(CallFromPluginThread(echo, PacketWithValue(0x1'2345'6789)), 0x2345'6789);
  EXPECT_EQ(CallFromPluginThread(echo, PacketWithValue(0xFFFF'FFFF)), -1);
  EXPECT_EQ(CallFromPluginThread(echo, PacketWithValue(-7)), -7);
}

TEST_F(DispatcherTest, PluginThreadCallWaitsForTheMainThreadAndRunsThere) {
  int stand_in = 0;
  auto* const plugin = reinterpret_cast<TPluginHolder*>(&stand_in);
  std::thread::id ranOn;
  TPluginHolder* seenSender = nullptr;
  std::string seenText;
  std::uint32_t seenHandle = 0;
  const HandlerIndex index = dispatcher_.RegisterHandler([&](TMessagePacket& packet) -> std::int64_t {
    ranOn = std::this_thread::get_id();
    seenSender = packet.SenderPlugin;
    seenText = packet.GetString(TPacketName::Unchecked("sDescription"));
    seenHandle = packet.GetObject(TPacketName::Unchecked("poMenu"));
    return packet.GetInteger(TPacketName::Unchecked("iCommand")) * 2;
  });

  TMessagePacket packet(plugin);
  packet.AddInteger("iCommand", 21);
  packet.AddString("sDescription", "a description long enough to live on the heap");
  packet.AddObject("poMenu", 0x8000'0001u);
  PluginCall call(dispatcher_, index, std::move(packet));

  EXPECT_TRUE(IsReadable(queue_.WakeFd(), kPatience));
  std::this_thread::sleep_for(30ms);
  EXPECT_FALSE(call.Done()) << "the call cannot finish while the main thread does not drain";
  EXPECT_EQ(ranOn, std::thread::id{});

  EXPECT_EQ(queue_.ProcessPending(), 1u);
  call.Join();
  EXPECT_EQ(call.Result(), 42);
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(seenSender, plugin);
  EXPECT_EQ(seenText, "a description long enough to live on the heap");
  EXPECT_EQ(seenHandle, 0x8000'0001u);

  // The main thread's own calls do not go through the queue.
  EXPECT_EQ(dispatcher_.DispatchCall(index, PacketWithValue(0)), 0);
  EXPECT_FALSE(IsReadable(queue_.WakeFd(), 0ms));
}

TEST_F(DispatcherTest, CallsFromSeveralThreadsRunOneAfterAnother) {
  const std::thread::id mainThread = std::this_thread::get_id();
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::atomic<int> offMain{0};
  const HandlerIndex index = dispatcher_.RegisterHandler([&](TMessagePacket& packet) -> std::int64_t {
    if (inside.fetch_add(1) != 0) ++overlaps;
    if (std::this_thread::get_id() != mainThread) ++offMain;
    std::this_thread::sleep_for(50us);
    inside.fetch_sub(1);
    return packet.GetInteger(TPacketName::Unchecked("iThread")) * 1000 +
           packet.GetInteger(TPacketName::Unchecked("iCall"));
  });

  constexpr int kThreads = 4;
  constexpr int kCallsEach = 40;
  std::atomic<int> wrongResults{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> plugins;
  for (int t = 0; t < kThreads; ++t) {
    plugins.emplace_back([&, t] {
      for (int i = 0; i < kCallsEach; ++i) {
        TMessagePacket packet;
        packet.AddInteger("iThread", t);
        packet.AddInteger("iCall", i);
        if (dispatcher_.DispatchCall(index, std::move(packet)) != t * 1000 + i) ++wrongResults;
      }
      ++finished;
    });
  }

  // The main thread goes on making calls of its own between drains.
  int ownCalls = 0;
  EXPECT_TRUE(DrainUntil([&] {
    TMessagePacket packet;
    packet.AddInteger("iThread", 9);
    packet.AddInteger("iCall", ownCalls);
    if (dispatcher_.DispatchCall(index, std::move(packet)) != 9000 + ownCalls) ++wrongResults;
    ++ownCalls;
    return finished.load() == kThreads;
  }));
  for (std::thread& plugin : plugins) plugin.join();

  EXPECT_EQ(overlaps, 0) << "two dispatched calls ran at the same time";
  EXPECT_EQ(offMain, 0);
  EXPECT_EQ(wrongResults, 0);
}

// Packets with texts on the heap go down every road: run on the main thread,
// failing there, refused for a bad index, carried from a plugin thread, failing
// after being carried. Besides what is checked here, the sanitizer build reports
// a packet that is leaked or freed twice on any of these roads.
TEST_F(DispatcherTest, FailuresGiveZeroAreCountedAndEveryRoadHandsOverThePacket) {
  const std::string longText(200, 'x');
  auto makePacket = [&](std::int64_t value) {
    TMessagePacket packet;
    packet.AddString("sText", longText);
    packet.AddInteger("iValue", value);
    return packet;
  };
  int whole = 0;  // main thread only
  const HandlerIndex reads = dispatcher_.RegisterHandler([&](TMessagePacket& packet) {
    whole += packet.Count() == 2 && packet.GetString(TPacketName::Unchecked("sText")) == longText;
    return packet.GetInteger(TPacketName::Unchecked("iValue"));
  });
  const HandlerIndex fails = dispatcher_.RegisterHandler([&](TMessagePacket& packet) -> std::int64_t {
    whole += packet.Count() == 2 && packet.GetString(TPacketName::Unchecked("sText")) == longText;
    throw std::runtime_error(std::string(packet.GetString(TPacketName::Unchecked("sText"))));
  });
  const HandlerIndex throwsAnything =
      dispatcher_.RegisterHandler([](TMessagePacket&) -> std::int64_t { throw 42; });

  EXPECT_EQ(dispatcher_.DispatchCall(fails, makePacket(1)), 0);
  EXPECT_EQ(dispatcher_.DispatchCall(throwsAnything, makePacket(2)), 0);
  EXPECT_EQ(dispatcher_.FailureCount(), 2u);
  EXPECT_EQ(dispatcher_.DispatchCall(reads, makePacket(3)), 3) << "the next call still works";
  EXPECT_EQ(dispatcher_.DispatchCall(17, makePacket(4)), 0);

  EXPECT_EQ(CallFromPluginThread(fails, makePacket(5)), 0);
  EXPECT_EQ(CallFromPluginThread(-2, makePacket(6)), 0);
  EXPECT_EQ(dispatcher_.FailureCount(), 3u);

  // A plugin call queued behind a failing one is still served.
  PluginCall failing(dispatcher_, fails, makePacket(7));
  EXPECT_TRUE(IsReadable(queue_.WakeFd(), kPatience));
  PluginCall following(dispatcher_, reads, makePacket(8));
  EXPECT_TRUE(DrainUntil([&] { return failing.Done() && following.Done(); }));
  failing.Join();
  following.Join();
  EXPECT_EQ(failing.Result(), 0);
  EXPECT_EQ(following.Result(), 8);
  EXPECT_EQ(dispatcher_.FailureCount(), 4u);
  EXPECT_EQ(whole, 5) << "every handler that ran saw the whole packet";
}

// A posted call hands its packet over and returns; the main thread runs it at
// its next drain, a failure is contained and counted, and a call queued for an
// implementation that has been let go runs nothing.
TEST_F(DispatcherTest, PostedCallsReturnAtOnceAndRunLaterOnTheMainThread) {
  int stand_in = 0;
  auto* const plugin = reinterpret_cast<TPluginHolder*>(&stand_in);
  const std::thread::id mainThread = std::this_thread::get_id();
  std::vector<std::string> seen;  // main thread only
  const HandlerIndex records = dispatcher_.RegisterHandler([&](TMessagePacket& packet) -> std::int64_t {
    if (std::this_thread::get_id() == mainThread && packet.SenderPlugin == plugin) {
      seen.emplace_back(packet.GetString(TPacketName::Unchecked("sDescription")));
    }
    return 5;
  });
  const HandlerIndex fails = dispatcher_.RegisterHandler(
      [](TMessagePacket&) -> std::int64_t { throw std::runtime_error("broken"); });
  const HandlerIndex letGo = dispatcher_.RegisterHandler([&](TMessagePacket&) -> std::int64_t {
    seen.emplace_back("let go");
    return 0;
  });
  auto packetWith = [&](std::string text) {
    TMessagePacket packet(plugin);
    packet.AddString("sDescription", text);
    return packet;
  };

  std::thread pluginThread([&] {
    // The caller's text is gone before the call runs: the packet holds a copy.
    std::string text = "a result long enough to live on the heap";
    dispatcher_.PostCall(records, packetWith(text));
    text.assign(text.size(), '#');
    dispatcher_.PostCall(fails, packetWith("x"));
    dispatcher_.PostCall(letGo, packetWith("x"));
    dispatcher_.PostCall(records, packetWith("after the failure"));
  });
  pluginThread.join();  // returned without a drain
  EXPECT_TRUE(seen.empty());

  dispatcher_.Unregister(letGo);
  EXPECT_EQ(queue_.ProcessPending(), 4u);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"a result long enough to live on the heap", "after the failure"}));
  EXPECT_EQ(dispatcher_.FailureCount(), 1u);

  dispatcher_.PostCall(records, packetWith("on the main thread"));
  EXPECT_EQ(seen.back(), "on the main thread") << "the main thread's own call runs at once";
}

}  // namespace
}  // namespace kp
