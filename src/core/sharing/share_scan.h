#pragma once
// The system scan: walks every disk of the machine (share_scan_places.h) down to a
// fixed depth and shares, as top-level entries of its manager's tree, the folders
// that a scanning rule names and the single files that its masks match and that
// no shared folder holds already. A manager runs one at a time (StartScan,
// StopScan); this is its thread.
//
// The scan must never make the machine unusable: it runs at background priority
// for the processor and idle priority for the disks, checks its stop flag at every
// entry, and never steps through a link. Linked folders are not entered and not
// shared; linked files are not shared either: a link planted in a folder that
// others may write (/tmp, say) could otherwise share whatever it points to. A walk
// stays on the file system it started on (other mount points are borders).
//
// Per entry it takes the manager's lock only for its lookups and additions; its
// events (a matched file's path, the entries it adds, its end) are handed to the
// main thread after the lock is released, and it waits until they have run.

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "core/platform/file_descriptor.h"
#include "core/sharing/share_entry.h"
#include "core/sharing/share_scan_places.h"

namespace kp {

class TShareManager;

class TShareScanThread {
 public:
  // How deep a walk goes, counted from the top of each disk as if that top were
  // "/": the walk of "/" lists /a/b/c/ and reports, but does not enter, /a/b/c/d;
  // the walk of a disk mounted at /media/usb goes just as deep below it.
  static constexpr int kScanDepthLimit = 4;

  TShareScanThread(TShareManager& manager, std::string extensions, TScanPlacesSource places);
  TShareScanThread(const TShareScanThread&) = delete;
  TShareScanThread& operator=(const TShareScanThread&) = delete;
  // Joins the thread: whoever drops the scan must have stopped it.
  ~TShareScanThread();

  // Throws std::system_error when no thread can be made.
  void Start();
  // Asks the walk to stop at the next entry; the end still runs.
  void Abort() noexcept { abort_.store(true); }
  // The thread has done everything, its end event included.
  [[nodiscard]] bool Finished() const noexcept { return finished_.load(); }
  void Join();

  // The end event is being or has been raised: the manager's scan is idle again.
  [[nodiscard]] bool EndRaised() const noexcept { return endRaised_.load(); }
  // True inside a handler of one of this scan's events, on the thread that runs it.
  [[nodiscard]] bool HandlerRunningHere() const noexcept;

 private:
  struct TPendingFolder {
    std::string path;                               // ends with "/"
    std::shared_ptr<const TFileDescriptor> parent;  // none for a disk's top
    int level = 1;                                  // 1 for the disk's top, one more for each folder below it
  };

  void Run() noexcept;
  void Walk(const std::string& top);
  void CheckDirectory(const std::string& path);
  void CheckFile(int folderFd, const std::string& name, const std::string& path);
  [[nodiscard]] bool Covered(std::string_view path, bool byPresentFoldersOnly) const;
  [[nodiscard]] bool MatchesMask(std::string_view name) const noexcept;
  // Hands the entry's events to the main thread and waits for them to run.
  void Hand(const std::optional<std::string>& status, const TShareEventList& events, bool end);
  [[nodiscard]] bool Aborted() const noexcept { return abort_.load(std::memory_order_relaxed); }
  void MarkEndRaised() noexcept { endRaised_.store(true); }

  TShareManager& manager_;
  const std::string extensions_;
  const std::vector<std::string> masks_;
  TScanPlacesSource places_;
  std::unordered_set<std::string> borders_;  // mount points, on the scan's thread only
  std::atomic<bool> abort_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> endRaised_{false};
  std::thread thread_;
};

}  // namespace kp
