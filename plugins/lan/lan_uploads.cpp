#include "lan_uploads.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "keplinor_plugin.h"

KP_IMPORT(UploadAdd);
KP_IMPORT(UploadGetStatus);
KP_IMPORT(UploadGetQueueStatus);
KP_IMPORT(UploadGetSuggestedBandwidth);
KP_IMPORT(UploadProgress);
KP_IMPORT(UploadComplete);
KP_IMPORT(UploadError);

namespace lan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kReportEvery = std::chrono::milliseconds(250);
constexpr auto kAskBandwidthEvery = std::chrono::seconds(1);
constexpr auto kNapStep = std::chrono::milliseconds(100);
constexpr std::int32_t kCrawlBytesPerSecond = 1024;

using QueueKey = std::tuple<kp_handle, std::string, std::string>;  // node, nick, virtual path

struct Queued {
  std::shared_ptr<Upload> upload;
  Clock::time_point lastAsked;
  bool claimed = false;  // a serving thread is asking the program about it right now
  std::int32_t position = 0;
  std::int32_t queueLength = 0;
};

// The events run on the main thread and the serving threads ask the program
// (main-thread calls) about the same uploads, so this lock is never held
// across a call to the program.
std::mutex mutex;
std::map<std::uint32_t, std::shared_ptr<Upload>> uploadsById;  // every upload the program knows of
std::map<QueueKey, Queued> queued;
std::uint32_t lastId = 0;

std::shared_ptr<Upload> FindLocked(kp_handle handle) {
  if (handle == 0) return nullptr;
  // Our pData finds it also in the moment between UploadAdd and our thread
  // learning the handle.
  const std::uint32_t id = kp_upload_record_at(handle)->Data;
  const auto found = uploadsById.find(id);
  if (found == uploadsById.end()) return nullptr;
  const kp_handle known = found->second->handle.load();
  if (known != 0 && known != handle) return nullptr;
  return found->second;
}

void ForgetLocked(const std::shared_ptr<Upload>& upload) { uploadsById.erase(upload->id); }

void EraseQueuedLocked(const QueueKey& key, const std::shared_ptr<Upload>& upload) {
  const auto found = queued.find(key);
  if (found != queued.end() && found->second.upload == upload) queued.erase(found);
}

void FailAll(const std::vector<std::shared_ptr<Upload>>& uploads, const char* reason) {
  for (const auto& upload : uploads) {
    if (!upload->removed.load()) UploadError(upload->handle.load(), reason);
  }
}

// The place in line (1 for the first) and the queue's length.
void AskPlace(kp_handle handle, std::int32_t& position, std::int32_t& length) {
  const std::int32_t place = UploadGetQueueStatus(handle, KP_QUEUE_STATUS_POSITION);
  length = std::max<std::int32_t>(0, UploadGetQueueStatus(handle, KP_QUEUE_STATUS_LENGTH));
  position = place < 0 ? 0 : place + 1;
  length = std::max(length, position);
}

Admission Stopped() { return Admission{Admission::Kind::kStopped, nullptr, 0, 0}; }

// The program's answer about an upload it knows: queued (kept for the retry),
// admitted, or gone.
Admission Decide(const QueueKey& key, const std::shared_ptr<Upload>& upload, const std::atomic<bool>& stop,
                 bool& gone) {
  gone = false;
  const kp_handle handle = upload->handle.load();
  const std::int32_t status = UploadGetStatus(handle);
  if (stop.load()) return Stopped();
  if (status == KP_UPLOAD_UNKNOWN || upload->removed.load()) {
    gone = true;
    std::lock_guard lock(mutex);
    EraseQueuedLocked(key, upload);
    ForgetLocked(upload);
    return Admission{};
  }
  if (status == KP_UPLOAD_QUEUED) {
    Admission answer{Admission::Kind::kQueued, nullptr, 0, 0};
    AskPlace(handle, answer.position, answer.queueLength);
    if (stop.load()) return Stopped();
    std::shared_ptr<Upload> displaced;
    {
      std::lock_guard lock(mutex);
      Queued& entry = queued[key];
      // Two requests of one client for one file that both got queued: one is
      // kept for the retry and the other ends, never the one another thread
      // is asking the program about.
      if (entry.upload && entry.upload != upload) displaced = entry.claimed ? upload : entry.upload;
      if (displaced) ForgetLocked(displaced);
      if (displaced != upload) {
        entry.upload = upload;
        entry.lastAsked = Clock::now();
        entry.claimed = false;
        entry.position = answer.position;
        entry.queueLength = answer.queueLength;
      }
    }
    if (displaced) FailAll({displaced}, "Asked for again");
    return answer;
  }
  std::lock_guard lock(mutex);
  EraseQueuedLocked(key, upload);
  return Admission{Admission::Kind::kGo, upload, 0, 0};
}

// The node stopped while we asked about an upload the program holds: it fails
// now, or nobody would ever end it.
Admission EndStopped(const QueueKey& key, const std::shared_ptr<Upload>& upload) {
  {
    std::lock_guard lock(mutex);
    EraseQueuedLocked(key, upload);
    ForgetLocked(upload);
  }
  if (!upload->removed.load()) UploadError(upload->handle.load(), "The node stopped serving");
  return Stopped();
}

}  // namespace

Admission AdmitUpload(kp_handle service, const std::string& nick, const std::string& virtualPath,
                      const std::string& name, const std::atomic<bool>& stop) {
  const QueueKey key{service, nick, virtualPath};
  std::shared_ptr<Upload> waiting;
  {
    std::lock_guard lock(mutex);
    const auto found = queued.find(key);
    if (found != queued.end()) {
      Queued& entry = found->second;
      // The same client asking twice at once: the other request asks the
      // program, this one repeats the last answer.
      if (entry.claimed) return Admission{Admission::Kind::kQueued, nullptr, entry.position, entry.queueLength};
      entry.claimed = true;
      waiting = entry.upload;
    }
  }
  if (waiting) {
    bool gone = false;
    Admission answer = Decide(key, waiting, stop, gone);
    if (answer.kind == Admission::Kind::kStopped) return EndStopped(key, waiting);
    if (!gone) return answer;
  }

  auto upload = std::make_shared<Upload>();
  {
    std::lock_guard lock(mutex);
    if (++lastId == 0) ++lastId;  // 0 is no id
    upload->id = lastId;
    uploadsById[upload->id] = upload;  // before the call: the events find it by our pData
  }
  const kp_handle handle = UploadAdd(service, nick.c_str(), name.c_str(), KP_TRUE, KP_TRUE, upload->id);
  upload->handle.store(handle);
  if (handle == 0) {
    std::lock_guard lock(mutex);
    ForgetLocked(upload);
    return stop.load() ? Stopped() : Admission{};
  }
  if (stop.load()) return EndStopped(key, upload);
  bool gone = false;
  Admission answer = Decide(key, upload, stop, gone);
  if (answer.kind == Admission::Kind::kStopped) return EndStopped(key, upload);
  return answer;
}

void FinishUpload(const std::shared_ptr<Upload>& upload, bool complete, std::int64_t first, std::int64_t length,
                  const char* reason) {
  if (!upload) return;
  const kp_handle handle = upload->handle.load();
  if (!upload->removed.load()) {
    if (complete) {
      UploadProgress(handle, first, first + length, first + length);
      UploadComplete(handle);
    } else {
      UploadError(handle, reason);
    }
  }
  std::lock_guard lock(mutex);
  ForgetLocked(upload);
}

namespace {

// Ends the queued uploads the test picks, unless a request of their client is
// asking about them right now, and tells the program why.
template <typename Pick>
void EndUnclaimedQueued(Pick pick, const char* reason) {
  std::vector<std::shared_ptr<Upload>> ended;
  {
    std::lock_guard lock(mutex);
    for (auto it = queued.begin(); it != queued.end();) {
      if (!it->second.claimed && pick(it->first, it->second)) {
        ended.push_back(it->second.upload);
        ForgetLocked(it->second.upload);
        it = queued.erase(it);
      } else {
        ++it;
      }
    }
  }
  FailAll(ended, reason);
}

}  // namespace

void ExpireQueuedUploads() {
  const Clock::time_point oldest = Clock::now() - kQueuedUploadExpiry;
  EndUnclaimedQueued([&](const QueueKey&, const Queued& entry) { return entry.lastAsked < oldest; },
                     "The peer did not ask again");
}

void EndQueuedUploadsOf(kp_handle service) {
  EndUnclaimedQueued([&](const QueueKey& key, const Queued&) { return std::get<0>(key) == service; },
                     "The node stopped serving");
}

void ForgetAllUploads() {
  std::lock_guard lock(mutex);
  queued.clear();
  uploadsById.clear();
}

bool PauseUpload(kp_handle handle) {
  std::lock_guard lock(mutex);
  const auto upload = FindLocked(handle);
  if (upload) upload->paused.store(true);
  return upload != nullptr;
}

bool ResumeUpload(kp_handle handle) {
  std::lock_guard lock(mutex);
  const auto upload = FindLocked(handle);
  if (upload) upload->paused.store(false);
  return upload != nullptr;
}

bool RemoveUpload(kp_handle handle) {
  std::lock_guard lock(mutex);
  const auto upload = FindLocked(handle);
  if (!upload) return false;
  upload->removed.store(true);
  // A queued one has no thread: forget it now. A sending one is forgotten by
  // its thread, which sees the flag and cuts the connection.
  for (auto it = queued.begin(); it != queued.end(); ++it) {
    if (it->second.upload == upload && !it->second.claimed) {
      queued.erase(it);
      ForgetLocked(upload);
      break;
    }
  }
  return true;
}

UploadFlow::UploadFlow(std::shared_ptr<Upload> upload, std::int64_t first, std::int64_t length,
                       const std::atomic<bool>& stop)
    : upload_(std::move(upload)), first_(first), length_(length), stop_(stop) {}

bool UploadFlow::Ended() const { return stop_.load() || !upload_ || upload_->removed.load(); }

bool UploadFlow::Nap(Clock::duration span) {
  const Clock::time_point until = Clock::now() + span;
  while (!Ended()) {
    const Clock::time_point now = Clock::now();
    if (now >= until) return true;
    std::this_thread::sleep_for(std::min<Clock::duration>(until - now, kNapStep));
  }
  return false;
}

std::int64_t UploadFlow::BeforeSend(std::int64_t wanted) {
  if (Ended()) return -1;
  if (upload_->paused.load()) {
    while (upload_->paused.load()) {
      if (!Nap(kNapStep)) return -1;
    }
    nextSendAt_ = Clock::now();  // a pause is no credit for a burst afterwards
  }
  const Clock::time_point now = Clock::now();
  if (bandwidthAsked_ == Clock::time_point{} || now - bandwidthAsked_ >= kAskBandwidthEvery) {
    bandwidth_ = UploadGetSuggestedBandwidth(upload_->handle.load());
    if (Ended()) return -1;
    // Below zero the limit is on and the other uploads take all of it: crawl, do not race.
    if (bandwidth_ < 0) bandwidth_ = kCrawlBytesPerSecond;
    bandwidthAsked_ = now;
  }
  if (bandwidth_ == 0) return std::max<std::int64_t>(1, wanted);
  if (now < nextSendAt_) {
    if (!Nap(nextSendAt_ - now)) return -1;
    if (upload_->paused.load()) return BeforeSend(wanted);
  }
  // Quarter-second portions keep the pace even and the reports regular.
  return std::clamp<std::int64_t>(wanted, 1, std::max<std::int64_t>(1, bandwidth_ / 4));
}

void UploadFlow::AfterSend(std::int64_t count, std::int64_t sent) {
  const Clock::time_point now = Clock::now();
  if (bandwidth_ > 0) {
    // The time these bytes take at the allowed pace; the next send waits for it.
    const auto cost = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(count) / bandwidth_));
    nextSendAt_ = std::max(nextSendAt_, now) + cost;
  }
  // Not while paused: a report would make a paused upload a transferring one.
  if ((reported_ && now - lastReport_ < kReportEvery) || sent >= length_ || upload_->paused.load() || Ended()) return;
  reported_ = true;
  lastReport_ = now;
  UploadProgress(upload_->handle.load(), first_, first_ + length_, first_ + sent);
}

}  // namespace lan
