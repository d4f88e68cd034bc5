// The API call path: a packet with five parameters built, dispatched and read
// back by the implementation, on the main thread and from a second thread, sent
// (the caller waits for the result) or posted (it does not). The cross-thread
// round trip is compared with a bare mutex + condition variable ping-pong
// between two threads, the least that any synchronous hand-over costs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "core/host/dispatcher.h"
#include "core/host/main_loop.h"

namespace kp {
namespace {

std::int64_t ReadFiveParameters(TMessagePacket& packet) {
  const std::string_view description = packet.GetString("sDescription");
  const std::int64_t size = packet.GetInteger("iSize");
  const bool popup = packet.GetBoolean("bIsPopup");
  const std::uint32_t service = packet.GetObject("poService");
  const std::string_view file = packet.GetString("sFileName");
  return static_cast<std::int64_t>(description.size() + file.size()) + size + (popup ? 1 : 0) + service;
}

TMessagePacket PacketWithFiveParameters() {
  TMessagePacket packet;
  packet.AddString("sDescription", "Some artist - Some title.mp3");
  packet.AddInteger("iSize", 4'812'345);
  packet.AddBoolean("bIsPopup", true);
  packet.AddObject("poService", 0x00C0FFEEu);
  packet.AddString("sFileName", "/home/user/Music/Some artist - Some title.mp3");
  return packet;
}

std::int32_t CallWithFiveParameters(TDispatcher& dispatcher, HandlerIndex index) {
  return dispatcher.DispatchCall(index, PacketWithFiveParameters());
}

void BM_DispatchOnMainThread(benchmark::State& state) {
  TMainThreadQueue queue;
  TDispatcher dispatcher(queue);
  const HandlerIndex index = dispatcher.RegisterHandler(ReadFiveParameters);
  for (auto _ : state) benchmark::DoNotOptimize(CallWithFiveParameters(dispatcher, index));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispatchOnMainThread);

// A main thread of its own that owns a queue and runs the headless loop.
class MainThread {
 public:
  MainThread() {
    std::promise<void> ready;
    auto started = ready.get_future();
    thread_ = std::thread([this, &ready] {
      TMainThreadQueue queue;
      TMainLoop loop(queue);
      queue_ = &queue;
      loop_ = &loop;
      ready.set_value();
      loop.Run();
      queue.Close();
    });
    started.wait();
  }
  ~MainThread() {
    loop_->Quit();
    thread_.join();
  }
  TMainThreadQueue& Queue() { return *queue_; }

 private:
  std::thread thread_;
  TMainThreadQueue* queue_ = nullptr;
  TMainLoop* loop_ = nullptr;
};

void BM_DispatchFromSecondThread(benchmark::State& state) {
  MainThread main;
  TDispatcher dispatcher(main.Queue());
  const HandlerIndex index = dispatcher.RegisterHandler(ReadFiveParameters);
  for (auto _ : state) benchmark::DoNotOptimize(CallWithFiveParameters(dispatcher, index));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DispatchFromSecondThread)->UseRealTime();

// Posted calls from a second thread, in batches that each end with one sent
// call: it returns only when the batch has run, so this is the rate of calls
// carried out on the main thread, not just of calls queued.
void BM_PostFromSecondThread(benchmark::State& state) {
  constexpr int kBatch = 1000;
  MainThread main;
  TDispatcher dispatcher(main.Queue());
  const HandlerIndex index = dispatcher.RegisterHandler(ReadFiveParameters);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) dispatcher.PostCall(index, PacketWithFiveParameters());
    benchmark::DoNotOptimize(CallWithFiveParameters(dispatcher, index));
  }
  state.SetItemsProcessed(state.iterations() * (kBatch + 1));
}
BENCHMARK(BM_PostFromSecondThread)->UseRealTime();

class PingPong {
 public:
  PingPong() : responder_([this] { Respond(); }) {}
  ~PingPong() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    responder_.join();
  }
  void RoundTrip() {
    std::unique_lock lock(mutex_);
    pending_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !pending_; });
  }

 private:
  void Respond() {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return pending_ || stop_; });
      if (stop_) return;
      pending_ = false;
      changed_.notify_all();
    }
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  bool pending_ = false;
  bool stop_ = false;
  std::thread responder_;
};

void BM_MutexConditionPingPong(benchmark::State& state) {
  PingPong pingPong;
  for (auto _ : state) pingPong.RoundTrip();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MutexConditionPingPong)->UseRealTime();

// Both in one run, alternating in rounds so that both see the same machine load;
// "ratio" is the dispatch round trip divided by the ping-pong round trip.
void BM_CrossThreadDispatchOverPingPong(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  MainThread main;
  TDispatcher dispatcher(main.Queue());
  const HandlerIndex index = dispatcher.RegisterHandler(ReadFiveParameters);
  PingPong pingPong;
  constexpr int kRound = 2000;
  Clock::duration dispatchTime{};
  Clock::duration pingPongTime{};
  for (auto _ : state) {
    auto start = Clock::now();
    for (int i = 0; i < kRound; ++i) benchmark::DoNotOptimize(CallWithFiveParameters(dispatcher, index));
    dispatchTime += Clock::now() - start;
    start = Clock::now();
    for (int i = 0; i < kRound; ++i) pingPong.RoundTrip();
    pingPongTime += Clock::now() - start;
  }
  const double calls = static_cast<double>(state.iterations()) * kRound;
  state.counters["dispatch_ns"] = std::chrono::duration<double, std::nano>(dispatchTime).count() / calls;
  state.counters["pingpong_ns"] = std::chrono::duration<double, std::nano>(pingPongTime).count() / calls;
  state.counters["ratio"] =
      static_cast<double>(dispatchTime.count()) / static_cast<double>(pingPongTime.count());
}
BENCHMARK(BM_CrossThreadDispatchOverPingPong)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kp
