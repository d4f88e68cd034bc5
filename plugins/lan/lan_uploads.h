// What a served file asks of the program's upload queue. Every file GET is an
// upload: the program admits it, queues it or refuses it. A queued one is kept
// per (node, nick, virtual path) so the client's retry finds it again; one
// nobody asks for within a minute ends as failed. The events pause, resume and
// remove uploads through flags that the serving thread watches.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "keplinor_types.h"

namespace lan {

// One upload the program knows of. Shared by its serving thread and the events.
struct Upload {
  std::uint32_t id = 0;          // our pData
  std::atomic<kp_handle> handle{0};  // 0 until UploadAdd answered
  std::atomic<bool> paused{false};
  std::atomic<bool> removed{false};  // the user removed it: no more reports
};

struct Admission {
  enum class Kind {
    kRefused,  // no slot and no room in the queue: "busy"
    kQueued,   // wait in the program's queue; come back later
    kGo,       // send now
    kStopped,  // the node or the program is stopping: answer nothing
  };
  Kind kind = Kind::kRefused;
  std::shared_ptr<Upload> upload;  // kGo only
  std::int32_t position = 0;       // kQueued: 1 for the first in line
  std::int32_t queueLength = 0;    // kQueued
};

// How long a queued upload waits for its client to ask again. Clients are told
// to come back after kQueuedRetrySeconds; one that misses several of those is
// gone. Kept short because a queued upload the program has since promoted holds
// an upload slot until it expires: a burst of requests that never come back
// must not keep the slots from real clients for long.
inline constexpr int kQueuedRetrySeconds = 5;
inline constexpr std::chrono::seconds kQueuedUploadExpiry{4 * kQueuedRetrySeconds};

// From a serving thread: asks the program for the file's upload, or asks
// again about the one queued for this nick and path. `stop` is checked after
// every program call.
Admission AdmitUpload(kp_handle service, const std::string& nick, const std::string& virtualPath,
                      const std::string& name, const std::atomic<bool>& stop);

// From a serving thread, once an admitted upload is over: every byte was sent,
// or it was cut short for `reason`. Nothing is reported for a removed upload.
void FinishUpload(const std::shared_ptr<Upload>& upload, bool complete, std::int64_t first, std::int64_t length,
                  const char* reason);

// Ends queued uploads nobody asked for again in time. Any thread; every
// request does it, and a timer on the main thread may do it too.
void ExpireQueuedUploads();
// The node stopped serving: its queued uploads fail. Main thread.
void EndQueuedUploadsOf(kp_handle service);
// At the end, after every serving thread was joined: forgets everything, reports nothing.
void ForgetAllUploads();

// The events; false when the upload is not one of ours.
bool PauseUpload(kp_handle handle);
bool ResumeUpload(kp_handle handle);
bool RemoveUpload(kp_handle handle);

// The pace of one admitted upload on its serving thread: holds while paused,
// keeps to the user's bandwidth for uploads and reports progress a few times a
// second.
class UploadFlow {
 public:
  UploadFlow(std::shared_ptr<Upload> upload, std::int64_t first, std::int64_t length, const std::atomic<bool>& stop);

  // Before sending: how many of `wanted` bytes to send now (at least 1), or
  // -1 when the upload must end (removed or stopping). May sleep.
  std::int64_t BeforeSend(std::int64_t wanted);
  // After `count` more bytes were handed over; `sent` counts them all so far.
  void AfterSend(std::int64_t count, std::int64_t sent);
  bool Ended() const;

 private:
  using Clock = std::chrono::steady_clock;
  // Sleeps up to `span` in short steps; false when the upload must end.
  bool Nap(Clock::duration span);

  std::shared_ptr<Upload> upload_;
  std::int64_t first_;
  std::int64_t length_;
  const std::atomic<bool>& stop_;
  std::int32_t bandwidth_ = 0;  // bytes per second; 0: no limit
  Clock::time_point bandwidthAsked_{};
  Clock::time_point nextSendAt_{};  // the pace: when the bytes sent so far are due
  Clock::time_point lastReport_{};
  bool reported_ = false;
};

}  // namespace lan
