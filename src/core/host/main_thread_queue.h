#pragma once
// The queue that carries work from any thread to the main thread: what a hidden
// window and its messages did on the original platform. A wake-up file
// descriptor becomes readable whenever work is waiting, so any event loop (the
// headless one or Qt's) can drain the queue.
//
// The thread that creates the queue owns it: only that thread drains it, and a
// synchronous send or a posted call made on that thread runs at once, nested in
// what it was doing.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace kp {

class TMainThreadQueue {
 public:
  // Posted calls that may wait in the queue at once: a thread that posts faster
  // than the owner drains waits for room instead of growing the queue.
  static constexpr std::size_t kDefaultPostedCallCapacity = 1024;

  explicit TMainThreadQueue(std::size_t postedCallCapacity = kDefaultPostedCallCapacity);
  TMainThreadQueue(const TMainThreadQueue&) = delete;
  TMainThreadQueue& operator=(const TMainThreadQueue&) = delete;
  ~TMainThreadQueue();

  // Runs work on the owner thread and returns its result. On the owner thread it
  // runs at once; elsewhere the caller blocks, without time-out, until the owner
  // thread has drained it. After Close, or once its sender is refused, work from
  // other threads is not run and 0 is returned. The work must not throw.
  template <typename Work>
  std::int64_t Send(Work&& work, const void* sender = nullptr) {
    static_assert(std::is_nothrow_invocable_r_v<std::int64_t, Work&>,
                  "work sent to the main thread must be noexcept and return an integer");
    using Callable = std::remove_reference_t<Work>;
    SendRequest request;
    request.sender = sender;
    request.context = const_cast<void*>(static_cast<const void*>(std::addressof(work)));
    request.invoke = [](void* context) noexcept -> std::int64_t {
      return (*static_cast<Callable*>(context))();
    };
    return SendAndWait(request);
  }

  // Carries work to the owner thread without waiting for it to run. On the owner
  // thread it runs at once. Elsewhere it lines up behind everything queued
  // before it, so one thread's posted calls and sends run in the order that
  // thread made them; while the queue holds its capacity of posted calls the
  // caller waits for room (the owner thread never does). After Close, or once its
  // sender is refused, the work is dropped without running: at once, while it
  // waits for room, or from the queue. The work must not throw; whoever runs or
  // drops it destroys it.
  template <typename Work>
  void PostCall(Work&& work, const void* sender = nullptr) {
    using Callable = std::decay_t<Work>;
    static_assert(std::is_nothrow_invocable_v<Callable&>, "a posted call must be noexcept");
    if (IsOwnerThread()) {
      work();
      return;
    }
    EnqueueCall(std::make_unique<TPostedCallOf<Callable>>(std::forward<Work>(work)), sender);
  }

  // Queues the core's own work to run on the owner thread at a later drain; never
  // runs it at once, and neither waits for room nor belongs to a sender.
  void Post(std::function<void()> work);

  // Runs the work that was waiting when the drain began, in the order it came.
  // Does nothing unless called on the owner thread. Returns the number run.
  std::size_t ProcessPending();

  // Readable while work waits; the loop that owns the queue polls it.
  [[nodiscard]] int WakeFd() const noexcept { return wakeFd_; }
  // Makes WakeFd readable without queueing work (to stop a waiting loop).
  void Wake() noexcept;

  [[nodiscard]] bool IsOwnerThread() const noexcept { return std::this_thread::get_id() == owner_; }

  // Refuses further work from other threads and releases every waiting sender
  // with the result 0; posted work not yet run is dropped.
  void Close();

  // Sends and posted calls from other threads on behalf of this sender (a plugin
  // that is stopping) are answered 0 without running, from now on and also those
  // that wait already; its posted calls still queued are dropped, so none runs
  // after the sender is gone. The owner thread's own calls still run. A null
  // sender is never refused. AcceptSender undoes it, for a sender whose tag may
  // be reused.
  void RefuseSender(const void* sender);
  void AcceptSender(const void* sender);

 private:
  struct SendRequest {
    const void* sender = nullptr;
    void* context = nullptr;
    std::int64_t (*invoke)(void*) noexcept = nullptr;
    std::int64_t result = 0;
    bool done = false;
    std::condition_variable finished;
  };
  class TPostedCall {
   public:
    virtual ~TPostedCall() = default;
    virtual void Run() noexcept = 0;
  };
  template <typename Callable>
  class TPostedCallOf final : public TPostedCall {
   public:
    template <typename Work>
    explicit TPostedCallOf(Work&& work) : work_(std::forward<Work>(work)) {}
    void Run() noexcept override { work_(); }

   private:
    Callable work_;
  };
  struct Entry {
    SendRequest* send = nullptr;
    std::unique_ptr<TPostedCall> call{};
    const void* callSender = nullptr;
    std::function<void()> post{};
  };

  std::int64_t SendAndWait(SendRequest& request);
  void EnqueueCall(std::unique_ptr<TPostedCall> call, const void* sender);
  // Under the mutex: one thread fewer waits inside the queue.
  void LeaveWaiting() noexcept;
  // Under the mutex.
  [[nodiscard]] bool IsRefused(const void* sender) const noexcept;
  static void Release(SendRequest& request) noexcept;
  void Enqueue(Entry entry, std::unique_lock<std::mutex>& lock);
  void DrainWakeFd() noexcept;

  const std::thread::id owner_;
  int wakeFd_ = -1;

  std::mutex mutex_;
  std::deque<Entry> entries_;
  bool closed_ = false;
  std::vector<const void*> refusedSenders_;
  const std::size_t postedCallCapacity_;
  std::size_t queuedCalls_ = 0;
  std::condition_variable roomForCalls_;
  // Threads still waiting inside the queue, for a send's result or for room for
  // a posted call; the destructor waits for them to leave.
  std::size_t waitingSenders_ = 0;
  std::condition_variable sendersLeft_;
};

}  // namespace kp
