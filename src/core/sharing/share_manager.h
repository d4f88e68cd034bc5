#pragma once
// The share tree: the virtual share namespace mapped onto the disk. The invisible
// root holds the top-level entries (shared folders and single shared files);
// below a shared folder the tree mirrors the disk, read lazily whenever a lookup
// or a browse enters a directory.
//
// Threads: the main thread (settings, load and save, events), plugin threads
// (lookups, browses, real paths) and a scan thread all use one manager. The lock
// order is in share_entry.h. Events are raised on the main thread only, after the
// operation that raised them has released every lock: on the main thread at
// once, from any other thread by a blocking hand-over to the main thread that
// returns when the handler has run. A handler may therefore call the manager.
//
// Real paths: every real path the tree hands out was inside its top-level folder
// when it was handed out. A caller that opens such a path later must not trust it
// by then (a link may have been swapped in): open it with OpenSharedFile
// (share_paths.h) relative to the top-level folder, or with TShareFile::OpenContent.

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/sharing/share_directory.h"
#include "core/sharing/share_file.h"
#include "core/sharing/share_results.h"
#include "core/sharing/share_rules.h"
#include "core/sharing/share_scan_places.h"
#include "core/sharing/share_tree_file.h"

namespace kp {

class TMainThreadQueue;
class TShareScanThread;

// Every handler is called on the main thread; the defaults do nothing.
// Whether a listing reads its directory from the disk first.
enum class TShareRead { FromDisk, AsKnown };

class TShareListener {
 public:
  virtual ~TShareListener() = default;
  // A top-level entry made by loading the saved tree or by the system scan.
  virtual void OnAddDirectory(TShareManager& /*sender*/,
                              const std::shared_ptr<TShareDirectory>& /*directory*/) {}
  virtual void OnAddFile(TShareManager& /*sender*/, const std::shared_ptr<TShareFile>& /*file*/) {}
  // A top-level entry marked removed (by MarkRemoved or by a verification).
  virtual void OnRemoveDirectory(TShareManager& /*sender*/,
                                 const std::shared_ptr<TShareDirectory>& /*directory*/) {}
  virtual void OnRemoveFile(TShareManager& /*sender*/, const std::shared_ptr<TShareFile>& /*file*/) {}
  // The system scan's progress and end.
  virtual void OnScanStatus(TShareManager& /*sender*/, const std::string& /*fileName*/) {}
  virtual void OnScanEnd(TShareManager& /*sender*/) {}
};

class TShareManager {
 public:
  // The queue's owner thread is the main thread; without a queue the thread that
  // calls is taken to be the main thread (tests, tools).
  explicit TShareManager(TMainThreadQueue* mainThread = nullptr);
  TShareManager(const TShareManager&) = delete;
  TShareManager& operator=(const TShareManager&) = delete;
  // Stops the system scan first, then detaches open cursors and takes the tree
  // apart. Not to be called from inside a handler of this manager's scan.
  ~TShareManager();

  // Set on the main thread before other threads use the manager; null for none.
  void SetListener(TShareListener* listener) noexcept { listener_.store(listener); }
  // How loading asks whether the paths of the saved tree still exist.
  void SetPathProbe(TSharePathProbe probe);

  [[nodiscard]] const std::shared_ptr<TShareDirectory>& Root() const noexcept { return root_; }

  // New top-level entries; no event.
  std::shared_ptr<TShareDirectory> AddDirectory(std::string realPath, std::string name,
                                                bool includeSubdirectories, std::string_view extensions);
  std::shared_ptr<TShareFile> AddFile(std::string realPath, std::string name);

  // Virtual paths use "/" or "\" between names, compared trimmed and without
  // regard to case. Each directory on the way is read from the disk again (the
  // root: every top-level entry is verified). None when not found.
  [[nodiscard]] std::shared_ptr<TShareDirectory> FindDirectory(std::string_view virtualPath);
  [[nodiscard]] std::shared_ptr<TShareFile> FindFile(std::string_view virtualPath);
  // The file's real path, else the directory's, else empty text; also empty when
  // the path no longer lies inside its top-level folder.
  [[nodiscard]] std::string GetRealPath(std::string_view virtualPath);

  // A cursor over the directory at the path (listing nothing when there is none).
  // FromDisk reads the directory again first (the root: verifies every top-level
  // entry and reads the top-level folders); AsKnown lists what the tree holds
  // (the root: only checks that the top-level entries still exist), for a
  // listing whose folder was just read by ReadFromDisk.
  [[nodiscard]] std::unique_ptr<TShareResults> OpenResults(std::string_view virtualPath, bool recursive,
                                                         TShareRead read = TShareRead::FromDisk);
  // Reads the directory at the path from the disk as OpenResults FromDisk would,
  // but raises no event and holds no lock of the manager meanwhile: any thread
  // may prepare a large folder this way while the main thread goes on.
  void ReadFromDisk(std::string_view virtualPath);
  // Ends the cursor; the last one to end purges the tree.
  void CloseResults(std::unique_ptr<TShareResults> cursor) { cursor.reset(); }
  [[nodiscard]] std::size_t OpenResultsCount() const;

  // Destroy every top-level file, every top-level directory (at shutdown).
  void ClearFiles();
  void ClearDirectories();

  // The saved tree (see share_tree_file.h). Loading replaces the whole tree and
  // raises the add events of the top-level entries it made.
  [[nodiscard]] bool LoadShareTree(const std::string& path);
  [[nodiscard]] bool SaveShareTree(const std::string& path);
  [[nodiscard]] bool LoadShareTreeFromBytes(std::string_view bytes);
  [[nodiscard]] std::string ShareTreeBytes();

  // Scanning rules (share_rules.h), kept in order; the first that fits decides.
  void AddRule(std::string keyword, std::string ignoreKeyword, std::string description);
  void ClearRules();
  // Appends the rules of the rules file in the program folder; what cannot be
  // read adds nothing, so loading twice lists every rule twice (to no effect).
  void LoadRules(std::string_view programFolder);
  [[nodiscard]] TShareRules Rules() const;

  // The system scan (share_scan.h), one at a time, run on a thread of its own.
  // StartScan stops a running scan first; the masks are the extension text split
  // at its commas. StopScan returns once the scan has ended and its end event has
  // run; called on the main thread it keeps the main thread's messages flowing
  // meanwhile, since the scan waits for its handlers. Called from inside a handler
  // of the scan it only asks the scan to stop (the scan waits for that very
  // handler); the scan then ends on its own soon after.
  void StartScan(std::string_view extensions);
  void StopScan();
  // From StartScan until the scan's end event.
  [[nodiscard]] bool ScanRunning() const;
  // Where scans look (set before starting one); the machine's disks by default.
  void SetScanPlaces(TScanPlacesSource places);
  // What "let the main thread handle its messages" means while StopScan waits;
  // by default the main-thread queue is drained.
  void SetMessagePump(std::function<void()> pump);

 private:
  friend class TShareEntry;
  friend class TShareDirectory;
  friend class TShareResults;
  friend class TShareScanThread;

  // What the scan compares a path with: a top-level folder as it stands.
  struct TTopLevelFolder {
    std::string RealPath;
    bool Present = false;
    bool IncludeSubdirectories = false;
  };
  // The caller holds managerLock_.
  std::shared_ptr<TShareDirectory> AddDirectoryLocked(std::string realPath, std::string name,
                                                      bool includeSubdirectories,
                                                      std::string_view extensions);
  std::shared_ptr<TShareFile> AddFileLocked(std::string realPath, std::string name);
  [[nodiscard]] std::vector<TTopLevelFolder> TopLevelFoldersLocked() const;
  // A present top-level file has this real path (case ignored).
  [[nodiscard]] bool TopLevelFileSharedLocked(std::string_view realPath) const;
  // The base, else "base (1)", "base (2)" ...: the first that no present
  // top-level entry of the kind is named (case ignored).
  [[nodiscard]] std::string UniqueTopLevelNameLocked(std::string_view base, bool directories) const;
  void VerifyRootInto(TShareEventList& events);
  // Waits for the scan's thread to end, draining the main thread's messages when
  // this is the main thread.
  void WaitForScan(TShareScanThread& scan);

  std::shared_ptr<TShareDirectory> FindDirectoryInto(std::string_view virtualPath, TShareEventList& events);
  std::shared_ptr<TShareFile> FindFileInto(std::string_view virtualPath, TShareEventList& events);
  void Unregister(TShareResults* cursor);
  void ClearTopLevelLocked(bool files, bool directories);
  // Runs the handlers; called with no lock held.
  void Deliver(TShareEventList& events);
  void Raise(const TShareEvent& event) noexcept;

  TMainThreadQueue* const mainThread_;
  std::atomic<TShareListener*> listener_{nullptr};
  std::shared_ptr<TShareDirectory> root_;

  mutable std::mutex managerLock_;
  // Guarded by managerLock_.
  std::vector<TShareResults*> cursors_;
  TSharePathProbe probe_;
  TShareRules rules_;
  std::unique_ptr<TShareScanThread> scan_;
  // Scans stopped from inside their own handlers, still winding down.
  std::vector<std::unique_ptr<TShareScanThread>> stoppingScans_;
  TScanPlacesSource scanPlaces_;

  // Main thread only.
  std::function<void()> pump_;
};

}  // namespace kp
