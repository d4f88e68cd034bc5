#include "core/host/main_thread_queue.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace kp {

TMainThreadQueue::TMainThreadQueue(std::size_t postedCallCapacity)
    : owner_(std::this_thread::get_id()),
      wakeFd_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      postedCallCapacity_(std::max<std::size_t>(postedCallCapacity, 1)) {
  if (wakeFd_ < 0) throw std::runtime_error("cannot create the main-thread wake-up descriptor");
}

TMainThreadQueue::~TMainThreadQueue() {
  Close();
  {
    std::unique_lock lock(mutex_);
    sendersLeft_.wait(lock, [&] { return waitingSenders_ == 0; });
  }
  ::close(wakeFd_);
}

void TMainThreadQueue::Wake() noexcept {
  const std::uint64_t one = 1;
  while (::write(wakeFd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void TMainThreadQueue::DrainWakeFd() noexcept {
  std::uint64_t count = 0;
  while (::read(wakeFd_, &count, sizeof count) < 0 && errno == EINTR) {
  }
}

void TMainThreadQueue::Enqueue(Entry entry, std::unique_lock<std::mutex>& lock) {
  const bool wasEmpty = entries_.empty();
  const bool isCall = entry.call != nullptr;
  entries_.push_back(std::move(entry));
  if (isCall) ++queuedCalls_;
  lock.unlock();
  // One wake-up per batch: the descriptor stays readable until the queue is empty.
  if (wasEmpty) Wake();
}

std::int64_t TMainThreadQueue::SendAndWait(SendRequest& request) {
  if (IsOwnerThread()) return request.invoke(request.context);
  std::unique_lock lock(mutex_);
  if (closed_ || IsRefused(request.sender)) return 0;
  ++waitingSenders_;
  Enqueue(Entry{.send = &request}, lock);
  lock.lock();
  request.finished.wait(lock, [&] { return request.done; });
  LeaveWaiting();
  return request.result;
}

void TMainThreadQueue::LeaveWaiting() noexcept {
  if (--waitingSenders_ == 0 && closed_) sendersLeft_.notify_all();
}

void TMainThreadQueue::EnqueueCall(std::unique_ptr<TPostedCall> call, const void* sender) {
  std::unique_lock lock(mutex_);
  if (closed_ || IsRefused(sender)) return;
  if (queuedCalls_ >= postedCallCapacity_) {
    ++waitingSenders_;
    roomForCalls_.wait(lock,
                       [&] { return queuedCalls_ < postedCallCapacity_ || closed_ || IsRefused(sender); });
    LeaveWaiting();
    if (closed_ || IsRefused(sender)) return;
  }
  Enqueue(Entry{.call = std::move(call), .callSender = sender}, lock);
}

void TMainThreadQueue::Post(std::function<void()> work) {
  std::unique_lock lock(mutex_);
  if (closed_) return;
  Enqueue(Entry{.post = std::move(work)}, lock);
}

std::size_t TMainThreadQueue::ProcessPending() {
  if (!IsOwnerThread()) return 0;
  std::size_t budget;
  {
    std::lock_guard lock(mutex_);
    budget = entries_.size();
    // The descriptor is cleared only when nothing waits: work still queued must
    // keep it readable, also while an entry runs, because a loop nested inside
    // that entry (a modal dialog, say) waits on it to go on with the queue.
    if (entries_.empty()) DrainWakeFd();
  }
  // Entries are taken one at a time, so a drain nested inside running work goes
  // on with the same queue and keeps the order.
  std::size_t ran = 0;
  while (ran < budget) {
    Entry entry;
    {
      std::lock_guard lock(mutex_);
      if (entries_.empty()) break;
      entry = std::move(entries_.front());
      entries_.pop_front();
      if (entries_.empty()) DrainWakeFd();
      if (entry.call) --queuedCalls_;
    }
    ++ran;
    if (entry.call) {
      roomForCalls_.notify_one();
      entry.call->Run();
    } else if (entry.send) {
      const std::int64_t result = entry.send->invoke(entry.send->context);
      std::lock_guard lock(mutex_);
      entry.send->result = result;
      entry.send->done = true;
      // Notified under the lock: the sender cannot leave (and free the request)
      // before this thread has finished touching it.
      entry.send->finished.notify_one();
    } else if (entry.post) {
      try {
        entry.post();
      } catch (...) {
        // Posted work is fire-and-forget; a failure in it must not stop the loop.
      }
    }
  }
  return ran;
}

bool TMainThreadQueue::IsRefused(const void* sender) const noexcept {
  return sender && std::find(refusedSenders_.begin(), refusedSenders_.end(), sender) != refusedSenders_.end();
}

void TMainThreadQueue::Release(SendRequest& request) noexcept {
  request.result = 0;
  request.done = true;
  request.finished.notify_one();
}

void TMainThreadQueue::RefuseSender(const void* sender) {
  if (!sender) return;
  // Dropped calls are destroyed after the lock is released: their packets are
  // freed here, before the sender can go away.
  std::vector<std::unique_ptr<TPostedCall>> dropped;
  {
    std::lock_guard lock(mutex_);
    // Room first, so that nothing below can fail half-way.
    dropped.reserve(
        static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
          return entry.call && entry.callSender == sender;
        })));
    if (!IsRefused(sender)) refusedSenders_.push_back(sender);
    std::erase_if(entries_, [&](Entry& entry) {
      if (entry.call && entry.callSender == sender) {
        dropped.push_back(std::move(entry.call));
        --queuedCalls_;
        return true;
      }
      if (!entry.send || entry.send->sender != sender) return false;
      Release(*entry.send);
      return true;
    });
    if (entries_.empty()) DrainWakeFd();
  }
  // The sender's threads that wait for room leave; the room freed serves others.
  roomForCalls_.notify_all();
}

void TMainThreadQueue::AcceptSender(const void* sender) {
  std::lock_guard lock(mutex_);
  std::erase(refusedSenders_, sender);
}

void TMainThreadQueue::Close() {
  std::deque<Entry> dropped;
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (Entry& entry : entries_) {
      if (entry.send) Release(*entry.send);
    }
    dropped.swap(entries_);
    queuedCalls_ = 0;
  }
  roomForCalls_.notify_all();
}

}  // namespace kp
