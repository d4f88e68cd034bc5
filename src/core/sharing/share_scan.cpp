#include "core/sharing/share_scan.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <mutex>
#include <utility>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/wildcard.h"
#include "core/host/main_thread_queue.h"
#include "core/platform/file_scan.h"
#include "core/sharing/share_manager.h"

namespace kp {
namespace {

// The usual background niceness (what `nice` gives by default). The lowest (19)
// would leave a scan that is asked to stop waiting long for the processor
// whenever the machine is busy; this one still yields to everything in the
// foreground.
constexpr int kScanNiceness = 10;

// Not in the C library's headers: linux/ioprio.h.
constexpr int kIoPriorityWhoProcess = 1;
constexpr int kIoPriorityClassIdle = 3;
constexpr int kIoPriorityClassShift = 13;

// The scan whose handler runs on this thread just now.
thread_local const TShareScanThread* tHandlingScan = nullptr;

class THandlerMark {
 public:
  explicit THandlerMark(const TShareScanThread* scan) noexcept : previous_(tHandlingScan) {
    tHandlingScan = scan;
  }
  THandlerMark(const THandlerMark&) = delete;
  THandlerMark& operator=(const THandlerMark&) = delete;
  ~THandlerMark() { tHandlingScan = previous_; }

 private:
  const TShareScanThread* previous_;
};

void LowerPriority() noexcept {
  // Both apply to the calling thread alone when given its thread id.
  const auto thread = static_cast<pid_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), kScanNiceness);
  (void)::syscall(SYS_ioprio_set, kIoPriorityWhoProcess, thread,
                  kIoPriorityClassIdle << kIoPriorityClassShift);
}

// How paths are compared: trimmed, ASCII letters upper-cased, without a final "/"
// (a folder given as "/music/" is the same folder as "/music").
std::string ComparablePath(std::string_view path) {
  path = Trim(path);
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  return ToUpperAscii(path);
}

std::vector<std::string> MasksOf(std::string_view extensions) {
  // An empty text is one empty mask, which every name matches.
  if (extensions.empty()) return {std::string()};
  return SplitCommaList(extensions);
}

}  // namespace

TShareScanThread::TShareScanThread(TShareManager& manager, std::string extensions, TScanPlacesSource places)
    : manager_(manager),
      extensions_(std::move(extensions)),
      masks_(MasksOf(extensions_)),
      places_(std::move(places)) {}

TShareScanThread::~TShareScanThread() { Join(); }

void TShareScanThread::Start() {
  thread_ = std::thread([this] { Run(); });
}

void TShareScanThread::Join() {
  if (thread_.joinable()) thread_.join();
}

bool TShareScanThread::HandlerRunningHere() const noexcept { return tHandlingScan == this; }

void TShareScanThread::Run() noexcept {
  LowerPriority();
  try {
    const TScanPlaces places = places_();
    borders_.insert(places.MountPoints.begin(), places.MountPoints.end());
    for (const std::string& top : places.Roots) {
      if (Aborted()) break;
      Walk(top);
    }
  } catch (...) {
    // Out of memory or the like: the walk ends here, the end still runs.
  }
  TShareEventList events;
  // After a stop the refresh is left out: it reads every shared folder again,
  // which may take long, and a lookup reads what it needs anyway.
  if (!Aborted()) {
    try {
      manager_.VerifyRootInto(events);
    } catch (...) {
      events.clear();
    }
  }
  Hand(std::nullopt, events, true);
  // Also when the main thread no longer took the end.
  MarkEndRaised();
  finished_.store(true);
  if (manager_.mainThread_) manager_.mainThread_->Wake();
}

void TShareScanThread::Walk(const std::string& top) {
  std::vector<TPendingFolder> pending;
  pending.push_back({top.ends_with('/') ? top : top + '/', nullptr, 1});
  TFileScan listing;
  std::string path;
  while (!pending.empty() && !Aborted()) {
    const TPendingFolder folder = std::move(pending.back());
    pending.pop_back();
    // Below the top, each folder is opened by its name in the folder that listed
    // it, never through a link: one swapped in since the listing is not followed.
    int fd = -1;
    if (folder.parent) {
      const std::size_t nameStart = folder.path.rfind('/', folder.path.size() - 2) + 1;
      const std::string name = folder.path.substr(nameStart, folder.path.size() - 1 - nameStart);
      fd = ::openat(folder.parent->get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } else {
      fd = ::open(folder.path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) continue;  // cannot be listed: passed over
    const auto here = std::make_shared<const TFileDescriptor>(fd);
    listing.Start("/proc/self/fd/" + std::to_string(fd), false);
    while (!Aborted() && listing.Next()) {
      const std::string& name = listing.CurrentName();
      // "." and ".." name folders that are checked under their own names; a link
      // is neither entered nor shared.
      if (name == "." || name == ".." || listing.IsSymbolicLink()) continue;
      path.assign(folder.path).append(name);
      if (!listing.IsDirectory()) {
        CheckFile(fd, name, path);
        continue;
      }
      // Reported before it is entered, so a folder that the scan shares covers its
      // own files by the time they are walked.
      CheckDirectory(path);
      if (folder.level < kScanDepthLimit && !borders_.contains(path)) {
        pending.push_back({path + '/', here, folder.level + 1});
      }
    }
  }
}

bool TShareScanThread::MatchesMask(std::string_view name) const noexcept {
  for (const std::string& mask : masks_) {
    if (Aborted()) return false;
    if (MatchWildcard(mask, name)) return true;
  }
  return false;
}

bool TShareScanThread::Covered(std::string_view path, bool byPresentFoldersOnly) const {
  // A plain substring test, as the scan always did: a shared "/music" with its
  // subfolders also covers "/music2" next to it.
  for (const TShareManager::TTopLevelFolder& folder : manager_.TopLevelFoldersLocked()) {
    if (byPresentFoldersOnly && !folder.Present) continue;
    const std::string folderPath = ComparablePath(folder.RealPath);
    if (folderPath.empty()) continue;  // a folder with no place on disk covers nothing
    if (folderPath == path) return true;
    if (folder.IncludeSubdirectories && path.find(folderPath) != std::string_view::npos) return true;
  }
  return false;
}

void TShareScanThread::CheckDirectory(const std::string& path) {
  TShareEventList events;
  {
    std::lock_guard lock(manager_.managerLock_);
    const TShareRule* rule = FindShareRule(manager_.rules_, path, abort_);
    if (!rule || Covered(ComparablePath(path), true) || Aborted()) return;
    std::string name = manager_.UniqueTopLevelNameLocked(rule->Description, true);
    events.push_back({TShareEvent::Kind::AddDirectory,
                      manager_.AddDirectoryLocked(path, std::move(name), true, extensions_)});
  }
  Hand(std::nullopt, events, false);
}

void TShareScanThread::CheckFile(int folderFd, const std::string& name, const std::string& path) {
  if (!MatchesMask(name)) return;
  // Pipes, devices and sockets are not files anyone could fetch.
  struct stat status {};
  const bool regular =
      ::fstatat(folderFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode);
  TShareEventList events;
  if (regular && !Aborted()) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = ComparablePath(std::string_view(path).substr(0, slash == 0 ? 1 : slash));
    std::lock_guard lock(manager_.managerLock_);
    if (!manager_.TopLevelFileSharedLocked(path) && !Covered(folder, false)) {
      std::string unique = manager_.UniqueTopLevelNameLocked(name, false);
      events.push_back({TShareEvent::Kind::AddFile, manager_.AddFileLocked(path, std::move(unique))});
    }
  }
  Hand(path, events, false);
}

void TShareScanThread::Hand(const std::optional<std::string>& status, const TShareEventList& events,
                            bool end) {
  if (!end && (!manager_.listener_.load() || (!status && events.empty()))) return;
  auto work = [&]() noexcept -> std::int64_t {
    const THandlerMark mark(this);
    TShareListener* listener = manager_.listener_.load();
    try {
      if (listener && status) listener->OnScanStatus(manager_, *status);
    } catch (...) {
      // A handler's failure stays with the handler.
    }
    for (const TShareEvent& event : events) manager_.Raise(event);
    if (!end) return 0;
    // Idle again before the end is told, so that its handler may start a new scan.
    MarkEndRaised();
    try {
      if (listener) listener->OnScanEnd(manager_);
    } catch (...) {
    }
    return 0;
  };
  TMainThreadQueue* const mainThread = manager_.mainThread_;
  if (!mainThread || mainThread->IsOwnerThread()) {
    work();
  } else {
    (void)mainThread->Send(work, &manager_);
  }
}

}  // namespace kp
