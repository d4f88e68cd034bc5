// Downloads run on one thread each. The bytes go into a part file in the
// program's temporary folder and through SHA-256 as they arrive; a retry or a
// resume asks the peer for the rest with a Range and hashes the part already
// there first. At the end the size and the hash must be the peer's, and the
// file moves into the completed folder without replacing anything.
//
// Events only set flags and wake the thread (it may be waiting for the main
// thread inside a call); threads are joined when they have ended or in
// StopAllDownloads.
#include "lan_downloads.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "keplinor_plugin.h"
#include "lan_hash.h"
#include "lan_http_fetch.h"
#include "lan_peer_answers.h"
#include "lan_plugin.h"

KP_IMPORT(DownloadAdd);
KP_IMPORT(DownloadProgress);
KP_IMPORT(DownloadQueued);
KP_IMPORT(DownloadCustomInfo);
KP_IMPORT(DownloadError);
KP_IMPORT(DownloadFinished);
KP_IMPORT(DownloadComplete);
KP_IMPORT(DownloadGetStatus);
KP_IMPORT(DownloadGetSuggestedDirectory);
KP_IMPORT(DownloadGetSuggestedBandwidth);

namespace lan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr long kConnectTimeoutMs = 10000;
// A peer that sends nothing for this long (its user paused us, say) is given up.
constexpr long kStallSeconds = 120;
constexpr long kReceiveBufferBytes = 512 * 1024;
constexpr long kMinReceiveBufferBytes = 16 * 1024;
constexpr auto kProgressEvery = std::chrono::milliseconds(250);
constexpr auto kBandwidthEvery = std::chrono::seconds(1);
constexpr auto kPacingSlice = std::chrono::milliseconds(100);
constexpr std::int32_t kCrawlBytesPerSecond = 1024;
constexpr std::size_t kMaxErrorBody = 64 * 1024;

enum class Phase { Waiting, Running, Failed, Complete, Removed };

struct Download {
  std::uint32_t id = 0;
  kp_handle handle = 0;
  kp_handle service = 0;
  std::string nick;
  std::string name;     // safe as a file name
  std::string address;  // what is asked for
  std::string hash;     // expected, lower case; empty when the peer gave none
  std::string partName;
  std::int64_t size = 0;

  std::mutex lock;  // guards what follows; never held while calling the program
  std::condition_variable wake;
  Phase phase = Phase::Waiting;
  bool running = false;  // a thread of ours has it
  bool paused = false;
  bool removed = false;
  bool stopping = false;
  bool retry = false;    // resumed while its failed thread was still ending
  std::string partPath;  // known once a thread has asked for the folder
  std::thread thread;

  // Any of paused / removed / stopping, read without the lock by the transfer.
  std::atomic<bool> interrupt{false};
};

// Main thread (events, StopAllDownloads) only; the threads never touch it.
std::mutex downloadsLock;
std::map<std::uint32_t, std::shared_ptr<Download>> downloads;
std::uint32_t nextId = 1;
std::uint32_t adding = 0;  // the download inside DownloadAdd, which may start it

// The folder the program suggests now, created when it is missing; empty when
// there is none (also at the end, when the program answers nothing).
std::string SuggestedFolder(std::int32_t type) {
  char buffer[KP_FIXED_TEXT_SIZE + 1] = {};
  DownloadGetSuggestedDirectory(0, type, buffer);
  buffer[KP_FIXED_TEXT_SIZE] = '\0';
  std::string folder(buffer);
  if (folder.empty()) return folder;
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder;
}

// ---- One download's thread

class Transfer {
 public:
  explicit Transfer(Download& download) : d_(download) {}
  ~Transfer() { ClosePart(); }
  void Run();

 private:
  enum class Outcome { Done, Interrupted, Busy, Failed };

  bool Interrupted() const { return d_.interrupt.load(std::memory_order_relaxed); }
  bool Ended() {
    std::lock_guard guard(d_.lock);
    return d_.removed || d_.stopping;
  }
  bool WaitWhilePaused();
  bool WaitSeconds(int seconds);
  bool OpenPart(const std::string& folder);
  Outcome FetchOnce();
  Outcome Answered(CURLcode code);
  void ClosePart();
  void Pace(std::size_t bytes);
  void AskBandwidth();
  void ReportNow();
  void Finish();
  void Fail(const std::string& reason, bool deletePart);

  static std::size_t OnData(char* data, std::size_t size, std::size_t count, void* context);
  static int OnTick(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

  Download& d_;
  int fd_ = -1;
  std::string partPath_;
  std::int64_t position_ = 0;  // bytes of the part received; on disk and hashed after a Drain
  Sha256 hasher_;
  std::unique_ptr<BlockWriter> writer_;

  // One request's state.
  ResponseHeaders headers_;
  BoundedBody errorBody_;
  bool started_ = false;
  bool errorAnswer_ = false;
  bool tooMuch_ = false;
  bool wrongRange_ = false;
  bool writeFailed_ = false;
  std::int32_t bandwidth_ = 0;
  Clock::time_point paceStart_;
  std::int64_t pacedBytes_ = 0;
  Clock::time_point lastReport_;
  Clock::time_point lastBandwidth_;
  std::string busyInfo_;
  int retrySeconds_ = 0;
  std::string failure_;
  bool deleteOnFailure_ = false;
};

bool Transfer::WaitWhilePaused() {
  std::unique_lock guard(d_.lock);
  d_.wake.wait(guard, [&] { return !d_.paused || d_.removed || d_.stopping; });
  if (d_.removed || d_.stopping) return false;
  d_.interrupt = false;
  return true;
}

bool Transfer::WaitSeconds(int seconds) {
  std::unique_lock guard(d_.lock);
  d_.wake.wait_for(guard, std::chrono::seconds(seconds), [&] { return d_.removed || d_.stopping; });
  return !(d_.removed || d_.stopping);
}

bool Transfer::OpenPart(const std::string& folder) {
  partPath_ = JoinPath(folder, d_.partName);
  {
    std::lock_guard guard(d_.lock);
    d_.partPath = partPath_;
  }
  // No link is followed: the part is a file of ours in that folder or nothing.
  fd_ = ::open(partPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::int64_t existing = info.st_size;
  if (existing > d_.size) {
    if (::ftruncate(fd_, 0) != 0) return false;
    existing = 0;
  }
  if (!HashFileDescriptor(fd_, existing, hasher_)) return false;
  position_ = existing;
  return true;
}

void Transfer::ClosePart() {
  writer_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void Transfer::ReportNow() {
  lastReport_ = Clock::now();
  DownloadProgress(d_.handle, 0, d_.size, position_);
}

// Holds the receiving thread so the bytes arrive no faster than the user's
// limit; the socket's window then slows the peer.
void Transfer::Pace(std::size_t bytes) {
  pacedBytes_ += static_cast<std::int64_t>(bytes);
  while (bandwidth_ > 0 && !Interrupted()) {
    const auto now = Clock::now();
    const auto due = paceStart_ + std::chrono::microseconds(pacedBytes_ * 1000000 / bandwidth_);
    if (now >= due) break;
    std::this_thread::sleep_for(std::min<Clock::duration>(due - now, kPacingSlice));
    // A long wait under a low limit still follows the user's changes to it.
    if (Clock::now() - lastBandwidth_ >= kBandwidthEvery) AskBandwidth();
  }
}

void Transfer::AskBandwidth() {
  lastBandwidth_ = Clock::now();
  std::int32_t bandwidth = DownloadGetSuggestedBandwidth(d_.handle);
  // Below zero the limit is on and the other downloads take all of it: crawl, do not race.
  if (bandwidth < 0) bandwidth = kCrawlBytesPerSecond;
  if (bandwidth == bandwidth_) return;
  bandwidth_ = bandwidth;
  paceStart_ = Clock::now();
  pacedBytes_ = 0;
}

std::size_t Transfer::OnData(char* data, std::size_t size, std::size_t count, void* context) {
  auto& t = *static_cast<Transfer*>(context);
  const std::size_t total = size * count;
  if (!t.started_) {
    t.started_ = true;
    const long status = t.headers_.status;
    if (status == 206) {
      std::int64_t first = 0;
      std::int64_t last = 0;
      std::int64_t whole = 0;
      if (!ParseContentRange(t.headers_.contentRange, first, last, whole) || first != t.position_ ||
          (whole >= 0 && whole != t.d_.size)) {
        t.wrongRange_ = true;
        return 0;
      }
    } else if (status == 200) {
      // The peer ignored our range and sends the whole file: start the part afresh.
      if (t.position_ > 0) {
        if (!t.writer_->Drain() || ::ftruncate(t.fd_, 0) != 0) {
          t.writeFailed_ = true;
          return 0;
        }
        t.position_ = 0;
        t.hasher_.FinishHex();
      }
    } else {
      t.errorAnswer_ = true;
    }
  }
  if (t.errorAnswer_) {
    if (t.errorBody_.bytes.size() + total > kMaxErrorBody) return 0;
    t.errorBody_.bytes.append(data, total);
    return total;
  }
  if (t.Interrupted()) return 0;
  if (static_cast<std::uint64_t>(t.position_) + total > static_cast<std::uint64_t>(t.d_.size)) {
    t.tooMuch_ = true;
    return 0;
  }
  if (!t.writer_->Append(data, total, t.position_)) {
    t.writeFailed_ = true;
    return 0;
  }
  t.position_ += static_cast<std::int64_t>(total);
  const auto now = Clock::now();
  if (now - t.lastReport_ >= kProgressEvery) {
    t.ReportNow();
    if (now - t.lastBandwidth_ >= kBandwidthEvery) t.AskBandwidth();
    if (t.Interrupted()) return 0;
  }
  t.Pace(total);
  return total;
}

int Transfer::OnTick(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<Transfer*>(context)->Interrupted() ? 1 : 0;
}

Transfer::Outcome Transfer::FetchOnce() {
  NodeSettings settings;
  if (!GetNodeSettings(d_.service, settings)) {
    failure_ = "The network is no longer there";
    return Outcome::Failed;
  }
  AskBandwidth();
  if (Ended()) return Outcome::Interrupted;
  CurlEasy easy = NewPeerRequest(d_.address, settings.user, settings.password, kConnectTimeoutMs);
  if (!easy) {
    failure_ = "Out of memory";
    return Outcome::Failed;
  }
  CURL* handle = easy.get();
  const std::string range = std::to_string(position_) + "-";
  if (position_ > 0) curl_easy_setopt(handle, CURLOPT_RANGE, range.c_str());
  // Under a limit smaller pieces keep the pace even.
  const long buffer = bandwidth_ > 0
                          ? std::clamp<long>(bandwidth_ / 4, kMinReceiveBufferBytes, kReceiveBufferBytes)
                          : kReceiveBufferBytes;
  curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, buffer);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Transfer::OnData);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &Transfer::OnTick);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, this);
  CollectHeaders(handle, headers_);

  headers_ = ResponseHeaders{};
  errorBody_ = BoundedBody{};
  started_ = errorAnswer_ = tooMuch_ = wrongRange_ = writeFailed_ = false;
  paceStart_ = lastBandwidth_ = Clock::now();
  pacedBytes_ = 0;
  lastReport_ = Clock::time_point{};  // the first bytes are reported at once
  const CURLcode code = curl_easy_perform(handle);
  // What was received was hashed already: it must reach the part whatever happened next.
  if (!writer_->Drain()) writeFailed_ = true;
  return Answered(code);
}

Transfer::Outcome Transfer::Answered(CURLcode code) {
  if (writeFailed_) {
    failure_ = "Cannot write " + partPath_;
    return Outcome::Failed;
  }
  if (Interrupted()) return Outcome::Interrupted;
  if (tooMuch_) {
    failure_ = "The peer sent more than the file's size";
    deleteOnFailure_ = true;
    return Outcome::Failed;
  }
  if (wrongRange_) {
    failure_ = "The peer sent another part of the file";
    return Outcome::Failed;
  }
  const long status = headers_.status;
  if (status == 503) {
    retrySeconds_ = RetryAfterSeconds(headers_.retryAfter);
    std::int32_t place = 0;
    std::int32_t length = 0;
    if (ParseQueuedAnswer(errorBody_.bytes, place, length)) {
      DownloadQueued(d_.handle, place, length);
    } else {
      busyInfo_ = "The peer is busy; trying again in " + std::to_string(retrySeconds_) + " s";
      DownloadCustomInfo(d_.handle, busyInfo_.c_str(), "");
    }
    return Outcome::Busy;
  }
  if (status == 401 || status == 403) {
    failure_ = "Refused by the peer";
  } else if (status == 404) {
    failure_ = "Not found on the peer";
  } else if (status == 416) {
    // The peer's file is shorter than our part: it is not the file we began.
    failure_ = "The file changed on the peer";
    deleteOnFailure_ = true;
  } else if (status >= 300) {
    failure_ = "The peer answered " + std::to_string(status);
  } else if (code != CURLE_OK) {
    failure_ = curl_easy_strerror(code);
  } else if (status != 200 && status != 206) {
    failure_ = "The peer answered " + std::to_string(status);
  } else if (position_ != d_.size) {
    failure_ = "The peer ended the file early";
  } else {
    return Outcome::Done;
  }
  return Outcome::Failed;
}

void Transfer::Fail(const std::string& reason, bool deletePart) {
  ClosePart();
  {
    std::lock_guard guard(d_.lock);
    if (d_.removed || d_.stopping) return;  // RunDownload cleans up after a removal
    if (deletePart && !partPath_.empty()) ::unlink(partPath_.c_str());
    d_.phase = Phase::Failed;  // a resume starts a new thread from the part
  }
  DownloadError(d_.handle, reason.c_str());
}

void Transfer::Finish() {
  const std::string hash = hasher_.FinishHex();
  if (position_ != d_.size) return Fail("The file has the wrong size", true);
  if (!d_.hash.empty() && hash != d_.hash) return Fail("The file's content does not match its hash", true);
  ClosePart();
  // Asked now: the user may have changed it while the file arrived.
  const std::string folder = SuggestedFolder(KP_DIRECTORY_COMPLETED);
  if (Ended()) return;
  if (folder.empty()) return Fail("There is no folder for finished downloads", false);
  std::string path;
  if (!MoveIntoFolder(partPath_, folder, d_.name, path))
    return Fail("Cannot move the file into " + folder, false);
  {
    std::lock_guard guard(d_.lock);
    d_.phase = Phase::Complete;
  }
  DownloadFinished(d_.handle, path.c_str());
  DownloadComplete(d_.handle);
}

void Transfer::Run() {
  const std::string folder = SuggestedFolder(KP_DIRECTORY_TEMPORARY);
  if (Ended()) return;
  if (folder.empty()) return Fail("There is no folder for unfinished downloads", false);
  if (!OpenPart(folder)) return Fail("Cannot write " + partPath_, false);
  try {
    writer_ = std::make_unique<BlockWriter>(fd_, hasher_);
  } catch (const std::exception&) {
    return Fail("Out of memory", false);
  }
  while (position_ < d_.size) {
    if (!WaitWhilePaused()) return;
    const Outcome outcome = FetchOnce();
    if (outcome == Outcome::Done) break;
    if (outcome == Outcome::Failed) return Fail(failure_, deleteOnFailure_);
    if (outcome == Outcome::Busy && !WaitSeconds(retrySeconds_)) return;
  }
  if (Ended()) return;
  Finish();
}

// The thread's body: whatever happened, the download is no longer running,
// and a removed one leaves nothing behind.
void RunDownload(const std::shared_ptr<Download>& download) {
  while (true) {
    {
      Transfer transfer(*download);
      transfer.Run();
    }
    std::lock_guard guard(download->lock);
    if (download->removed) {
      if (!download->partPath.empty()) ::unlink(download->partPath.c_str());
      download->phase = Phase::Removed;
    } else if (download->retry && !download->stopping && download->phase == Phase::Failed) {
      // Resumed between our failure report and our end: try again at once.
      download->retry = false;
      download->phase = Phase::Running;
      continue;
    }
    download->retry = false;
    download->running = false;
    return;
  }
}

// ---- Events (main thread)

std::shared_ptr<Download> Find(kp_handle poDownload) {
  if (poDownload == 0) return nullptr;
  const kp_download_record* record = kp_download_record_at(poDownload);
  if (!IsOurService(record->Service)) return nullptr;
  std::lock_guard guard(downloadsLock);
  const auto found = downloads.find(record->Data);
  if (found == downloads.end()) return nullptr;
  const auto& download = found->second;
  if (download->handle == poDownload) return download;
  if (download->handle == 0 && download->id == adding) {
    download->handle = poDownload;  // started before DownloadAdd returned
    return download;
  }
  return nullptr;  // another download whose Data happens to match
}

// Joins ended threads and forgets downloads that need no more events.
void Reap() {
  std::lock_guard guard(downloadsLock);
  for (auto it = downloads.begin(); it != downloads.end();) {
    Download& download = *it->second;
    std::unique_lock lock(download.lock);
    if (download.running) {
      ++it;
      continue;
    }
    lock.unlock();
    if (download.thread.joinable()) download.thread.join();
    lock.lock();
    const bool forget = download.phase == Phase::Complete || download.phase == Phase::Removed;
    lock.unlock();
    it = forget ? downloads.erase(it) : std::next(it);
  }
}

void StartThread(const std::shared_ptr<Download>& download) {
  std::unique_lock lock(download->lock);
  download->paused = false;
  if (download->running && download->phase == Phase::Failed) download->retry = true;
  if (download->running || download->removed || download->stopping || download->phase == Phase::Complete) {
    download->interrupt = download->removed || download->stopping;
    download->wake.notify_all();
    return;
  }
  download->interrupt = false;
  download->running = true;
  download->phase = Phase::Running;
  lock.unlock();
  // An earlier thread of this download has ended (running was false): joining returns at once.
  if (download->thread.joinable()) download->thread.join();
  try {
    download->thread = std::thread(RunDownload, download);
  } catch (const std::system_error&) {
    lock.lock();
    download->running = false;
    download->phase = Phase::Failed;
    lock.unlock();
    DownloadError(download->handle, "Cannot start a thread");
  }
}

}  // namespace

void ExecuteResult(kp_handle result) {
  if (result == 0) return;
  const kp_search_result_record* record = kp_search_result_record_at(result);
  if (!IsOurService(record->Service)) return;
  ResultUrl url;
  if (!ParseResultUrl(kp_text(record->URL), url)) return;
  Reap();
  auto download = std::make_shared<Download>();
  download->service = record->Service;
  download->nick = CleanText(kp_text(record->Nick), 4 * kMaxNodeNameChars, kMaxNodeNameChars);
  download->name = SafeFileName(kp_text(record->Description));
  download->address = url.address;
  download->hash = url.hash;
  download->size = url.size;
  download->partName = PartFileName(url.hash, url.address, download->name);

  std::vector<std::shared_ptr<Download>> sameFile;
  {
    std::lock_guard guard(downloadsLock);
    for (const auto& [id, other] : downloads) {
      if (other->partName == download->partName) sameFile.push_back(other);
    }
  }
  // One download per part file: a result passed twice (with its group's row),
  // or the same file from another peer, must not write the part from two threads.
  for (const auto& other : sameFile) {
    Phase phase;
    {
      std::lock_guard guard(other->lock);
      phase = other->phase;
    }
    if (phase == Phase::Waiting || phase == Phase::Running) return;
    if (phase == Phase::Failed && DownloadGetStatus(other->handle) != -2) return;
  }
  {
    std::lock_guard guard(downloadsLock);
    for (const auto& other : sameFile) {
      const auto found = downloads.find(other->id);
      if (found != downloads.end() && found->second == other) downloads.erase(found);
    }
    if (nextId == 0) nextId = 1;
    download->id = nextId++;
    downloads[download->id] = download;
    adding = download->id;
  }
  const kp_handle handle = DownloadAdd(0, download->service, download->nick.c_str(), download->name.c_str(),
                                       KP_TRUE, KP_TRUE, download->size, kp_text(record->URL), download->id);
  std::lock_guard guard(downloadsLock);
  adding = 0;
  if (handle == 0) {
    downloads.erase(download->id);
  } else if (download->handle == 0) {  // else the start event has set it, and its thread reads it
    download->handle = handle;
  }
}

bool OnDownloadStartEvent(kp_handle poDownload) {
  const auto download = Find(poDownload);
  if (!download) return false;
  StartThread(download);
  return true;
}

bool OnDownloadPauseEvent(kp_handle poDownload) {
  const auto download = Find(poDownload);
  if (!download) return false;
  std::lock_guard guard(download->lock);
  download->paused = true;
  download->interrupt = true;
  download->wake.notify_all();
  return true;
}

bool OnDownloadResumeEvent(kp_handle poDownload) {
  const auto download = Find(poDownload);
  if (!download) return false;
  Reap();
  StartThread(download);  // wakes a paused thread, or retries a failed download from its part
  return true;
}

bool OnDownloadRemoveEvent(kp_handle poDownload) {
  const auto download = Find(poDownload);
  if (!download) return false;
  {
    std::lock_guard guard(download->lock);
    download->removed = true;
    download->interrupt = true;
    download->wake.notify_all();
    if (!download->running) {
      // No thread of ours will clean up: delete the part now.
      if (!download->partPath.empty()) ::unlink(download->partPath.c_str());
      download->phase = Phase::Removed;
    }
  }
  Reap();
  return true;
}

void StopAllDownloads() {
  std::map<std::uint32_t, std::shared_ptr<Download>> stopping;
  {
    std::lock_guard guard(downloadsLock);
    stopping.swap(downloads);
  }
  for (const auto& [id, download] : stopping) {
    std::lock_guard guard(download->lock);
    download->stopping = true;
    download->interrupt = true;
    download->wake.notify_all();
  }
  for (const auto& [id, download] : stopping) {
    if (download->thread.joinable()) download->thread.join();
  }
}

}  // namespace lan
