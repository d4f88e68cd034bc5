#include "core/sharing/share_manager.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <system_error>

#include "core/config/text_basics.h"
#include "core/config/wildcard.h"
#include "core/host/main_thread_queue.h"
#include "core/platform/file_io.h"
#include "core/sharing/share_audio.h"
#include "core/sharing/share_paths.h"
#include "core/sharing/share_scan.h"

namespace kp {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The trimmed names of a virtual path; empty pieces are skipped.
std::vector<std::string_view> VirtualComponents(std::string_view path) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (i > start) names.push_back(Trim(path.substr(start, i - start)));
      start = i + 1;
    }
  }
  return names;
}

// What a top-level file holds when it is shared.
TShareFileFacts ReadTopLevelFile(const std::string& realPath) {
  TShareFileFacts facts;
  const TFileDescriptor file(::open(realPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat status {};
  if (!file.valid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) return facts;
  facts.Size = static_cast<std::uint32_t>(std::clamp<std::int64_t>(status.st_size, 0, UINT32_MAX));
  facts.Modified = UnixTimeToDays(status.st_mtim.tv_sec);
  const std::string_view name(realPath);
  if (MatchWildcard("*.mp3", name.substr(name.rfind('/') + 1))) {
    facts.TakeAudio(ReadShareAudioInfo(file.get()));
  }
  return facts;
}

}  // namespace

TShareManager::TShareManager(TMainThreadQueue* mainThread)
    : mainThread_(mainThread),
      root_(std::make_shared<TShareDirectory>(*this, nullptr, std::string(), false)),
      probe_(TSharePathProbe::Disk()) {}

TShareManager::~TShareManager() {
  // Before anything else: the scan works on the tree and raises events.
  StopScan();
  std::vector<std::unique_ptr<TShareScanThread>> stopping;
  {
    std::lock_guard lock(managerLock_);
    stopping.swap(stoppingScans_);
  }
  for (const auto& scan : stopping) WaitForScan(*scan);
  {
    std::lock_guard lock(managerLock_);
    for (TShareResults* cursor : cursors_) cursor->Detach();
    cursors_.clear();
  }
  root_->Dismantle();
}

void TShareManager::SetPathProbe(TSharePathProbe probe) {
  std::lock_guard lock(managerLock_);
  probe_ = std::move(probe);
}

std::shared_ptr<TShareDirectory> TShareManager::AddDirectory(std::string realPath, std::string name,
                                                             bool includeSubdirectories,
                                                             std::string_view extensions) {
  std::lock_guard lock(managerLock_);
  return AddDirectoryLocked(std::move(realPath), std::move(name), includeSubdirectories, extensions);
}

std::shared_ptr<TShareDirectory> TShareManager::AddDirectoryLocked(std::string realPath, std::string name,
                                                                   bool includeSubdirectories,
                                                                   std::string_view extensions) {
  auto directory = std::make_shared<TShareDirectory>(*this, root_, std::move(name), includeSubdirectories);
  directory->topLevelRealPath_ = std::move(realPath);  // not yet seen by any other thread
  directory->SetExtensions(extensions);
  root_->Append(directory);
  return directory;
}

std::shared_ptr<TShareFile> TShareManager::AddFile(std::string realPath, std::string name) {
  std::lock_guard lock(managerLock_);
  return AddFileLocked(std::move(realPath), std::move(name));
}

std::shared_ptr<TShareFile> TShareManager::AddFileLocked(std::string realPath, std::string name) {
  auto file = std::make_shared<TShareFile>(*this, root_, std::move(name), ReadTopLevelFile(realPath));
  file->topLevelRealPath_ = std::move(realPath);
  root_->Append(file);
  return file;
}

std::shared_ptr<TShareDirectory> TShareManager::FindDirectory(std::string_view virtualPath) {
  TShareEventList events;
  auto directory = FindDirectoryInto(virtualPath, events);
  Deliver(events);
  return directory;
}

std::shared_ptr<TShareFile> TShareManager::FindFile(std::string_view virtualPath) {
  TShareEventList events;
  auto file = FindFileInto(virtualPath, events);
  Deliver(events);
  return file;
}

std::shared_ptr<TShareDirectory> TShareManager::FindDirectoryInto(std::string_view virtualPath,
                                                                  TShareEventList& events) {
  std::shared_ptr<TShareDirectory> directory = root_;
  for (const std::string_view name : VirtualComponents(virtualPath)) {
    directory = directory->FindSubdirectory(name);
    if (!directory) return nullptr;
    directory->RefreshInto(events);
  }
  return directory;
}

std::shared_ptr<TShareFile> TShareManager::FindFileInto(std::string_view virtualPath,
                                                        TShareEventList& events) {
  const std::size_t separator = virtualPath.find_last_of("/\\");
  const std::string_view name =
      Trim(separator == std::string_view::npos ? virtualPath : virtualPath.substr(separator + 1));
  const std::string_view parentPath =
      separator == std::string_view::npos ? std::string_view() : virtualPath.substr(0, separator);
  const std::shared_ptr<TShareDirectory> parent = FindDirectoryInto(parentPath, events);
  if (!parent) return nullptr;
  // Again, so that the root of a top-level file is verified too.
  parent->RefreshInto(events);
  return parent->FindFileHere(name);
}

std::string TShareManager::GetRealPath(std::string_view virtualPath) {
  TShareEventList events;
  std::string realPath;
  std::string folder;
  {
    std::lock_guard lock(managerLock_);
    std::shared_ptr<TShareEntry> entry = FindFileInto(virtualPath, events);
    if (!entry) entry = FindDirectoryInto(virtualPath, events);
    if (entry) {
      realPath = entry->RealPath();
      folder = entry->TopLevelRealPath();
    }
  }
  Deliver(events);
  // A link swapped in since the last rescan must not lead a caller out.
  if (realPath != folder && !ResolvesInside(folder, realPath)) return {};
  return realPath;
}

std::unique_ptr<TShareResults> TShareManager::OpenResults(std::string_view virtualPath, bool recursive,
                                                         TShareRead read) {
  TShareEventList events;
  std::unique_ptr<TShareResults> cursor(new TShareResults(*this, recursive));
  {
    std::lock_guard lock(managerLock_);
    cursors_.push_back(cursor.get());
    std::shared_ptr<TShareDirectory> directory = root_;
    for (const std::string_view name : VirtualComponents(virtualPath)) {
      std::shared_lock lists(directory->listLock_);
      std::shared_ptr<TShareDirectory> child = directory->SubdirectoryNamedLocked(name);
      lists.unlock();
      directory = std::move(child);
      if (!directory) break;
    }
    if (directory) {
      if (read == TShareRead::FromDisk) {
        directory->RefreshInto(events);
      } else if (directory->IsRoot()) {
        directory->VerifyInto(events, false);
      }
      cursor->Enter(std::move(directory));
    }
  }
  Deliver(events);
  return cursor;
}

void TShareManager::ReadFromDisk(std::string_view virtualPath) {
  std::shared_ptr<TShareDirectory> directory = root_;
  for (const std::string_view name : VirtualComponents(virtualPath)) {
    directory = directory->FindSubdirectory(name);
    if (!directory) return;
  }
  TShareEventList none;  // a rescan raises nothing
  if (!directory->IsRoot()) {
    directory->RescanInto(none);
    return;
  }
  for (const std::shared_ptr<TShareDirectory>& folder : directory->Subdirectories()) folder->RescanInto(none);
}

std::size_t TShareManager::OpenResultsCount() const {
  std::lock_guard lock(managerLock_);
  return cursors_.size();
}

void TShareManager::Unregister(TShareResults* cursor) {
  std::lock_guard lock(managerLock_);
  const auto it = std::ranges::find(cursors_, cursor);
  if (it == cursors_.end()) return;
  cursors_.erase(it);
  if (cursors_.empty()) root_->PurgeTree();
}

void TShareManager::ClearFiles() {
  std::lock_guard lock(managerLock_);
  ClearTopLevelLocked(true, false);
}

void TShareManager::ClearDirectories() {
  std::lock_guard lock(managerLock_);
  ClearTopLevelLocked(false, true);
}

void TShareManager::ClearTopLevelLocked(bool files, bool directories) {
  std::vector<std::shared_ptr<TShareDirectory>> droppedDirectories;
  std::vector<std::shared_ptr<TShareFile>> droppedFiles;
  {
    std::unique_lock lists(root_->listLock_);
    if (files) {
      droppedFiles.swap(root_->files_);
      root_->fileIndex_.clear();
    }
    if (directories) {
      droppedDirectories.swap(root_->subdirectories_);
      root_->subdirectoryIndex_.clear();
    }
  }
  for (const auto& directory : droppedDirectories) directory->Dismantle();
}

bool TShareManager::LoadShareTree(const std::string& path) {
  const std::optional<std::string> bytes = ReadWholeFile(path, kMaxShareTreeFileSize);
  if (!bytes) return false;
  return LoadShareTreeFromBytes(*bytes);
}

bool TShareManager::LoadShareTreeFromBytes(std::string_view bytes) {
  TShareEventList events;
  bool loaded = false;
  {
    std::lock_guard lock(managerLock_);
    ClearTopLevelLocked(true, true);
    loaded = TShareTreeReader::Read(*root_, bytes, probe_, events);
  }
  Deliver(events);
  return loaded;
}

std::string TShareManager::ShareTreeBytes() {
  std::lock_guard lock(managerLock_);
  return WriteShareTree(*root_);
}

bool TShareManager::SaveShareTree(const std::string& path) {
  // Written to a temporary file first, so a failure halfway leaves the last
  // saved tree in place.
  return WriteFileAtomically(path, ShareTreeBytes());
}

void TShareManager::Deliver(TShareEventList& events) {
  if (events.empty() || !listener_.load()) return;
  for (const TShareEvent& event : events) {
    if (!mainThread_ || mainThread_->IsOwnerThread()) {
      Raise(event);
    } else {
      // Waits until the main thread has run the handler; this thread holds no
      // lock of the tree now, so the handler may use the manager freely.
      (void)mainThread_->Send(
          [&]() noexcept -> std::int64_t {
            Raise(event);
            return 0;
          },
          this);
    }
  }
  events.clear();
}

void TShareManager::Raise(const TShareEvent& event) noexcept {
  TShareListener* listener = listener_.load();
  if (!listener) return;
  try {
    switch (event.kind) {
      case TShareEvent::Kind::AddDirectory:
        listener->OnAddDirectory(*this, std::static_pointer_cast<TShareDirectory>(event.entry));
        break;
      case TShareEvent::Kind::AddFile:
        listener->OnAddFile(*this, std::static_pointer_cast<TShareFile>(event.entry));
        break;
      case TShareEvent::Kind::RemoveDirectory:
        listener->OnRemoveDirectory(*this, std::static_pointer_cast<TShareDirectory>(event.entry));
        break;
      case TShareEvent::Kind::RemoveFile:
        listener->OnRemoveFile(*this, std::static_pointer_cast<TShareFile>(event.entry));
        break;
    }
  } catch (...) {
    // A handler's failure stays with the handler; the tree is consistent.
  }
}

void TShareManager::AddRule(std::string keyword, std::string ignoreKeyword, std::string description) {
  std::lock_guard lock(managerLock_);
  rules_.push_back({std::move(keyword), std::move(ignoreKeyword), std::move(description)});
}

void TShareManager::ClearRules() {
  std::lock_guard lock(managerLock_);
  rules_.clear();
}

void TShareManager::LoadRules(std::string_view programFolder) {
  TShareRules rules = ReadShareRules(JoinPath(programFolder, kShareRulesFileName));
  std::lock_guard lock(managerLock_);
  for (TShareRule& rule : rules) rules_.push_back(std::move(rule));
}

TShareRules TShareManager::Rules() const {
  std::lock_guard lock(managerLock_);
  return rules_;
}

void TShareManager::SetScanPlaces(TScanPlacesSource places) {
  std::lock_guard lock(managerLock_);
  scanPlaces_ = std::move(places);
}

void TShareManager::SetMessagePump(std::function<void()> pump) { pump_ = std::move(pump); }

void TShareManager::StartScan(std::string_view extensions) {
  StopScan();
  bool started = false;
  {
    std::lock_guard lock(managerLock_);
    scan_ = std::make_unique<TShareScanThread>(
        *this, std::string(extensions), scanPlaces_ ? scanPlaces_ : TScanPlacesSource(MachineScanPlaces));
    try {
      scan_->Start();
      started = true;
    } catch (const std::system_error&) {
      scan_.reset();
    }
  }
  // Whoever waits for the end (a dialog's progress, say) must not wait for ever.
  TShareListener* listener = listener_.load();
  if (started || !listener) return;
  try {
    listener->OnScanEnd(*this);
  } catch (...) {
    // As with every handler: its failure stays with it.
  }
}

void TShareManager::StopScan() {
  std::vector<std::unique_ptr<TShareScanThread>> stopping;
  {
    std::lock_guard lock(managerLock_);
    if (scan_) stopping.push_back(std::move(scan_));
    for (auto& scan : stoppingScans_) stopping.push_back(std::move(scan));
    stoppingScans_.clear();
  }
  for (const auto& scan : stopping) scan->Abort();
  std::vector<std::unique_ptr<TShareScanThread>> nested;
  for (auto& scan : stopping) {
    // Its thread waits for the very handler that called: waiting here would
    // never end. It has been told to stop and winds down once the handler returns.
    if (scan->HandlerRunningHere()) {
      nested.push_back(std::move(scan));
    } else {
      WaitForScan(*scan);
    }
  }
  if (nested.empty()) return;
  std::lock_guard lock(managerLock_);
  for (auto& scan : nested) stoppingScans_.push_back(std::move(scan));
}

bool TShareManager::ScanRunning() const {
  std::lock_guard lock(managerLock_);
  return scan_ && !scan_->EndRaised();
}

void TShareManager::WaitForScan(TShareScanThread& scan) {
  if (mainThread_ && mainThread_->IsOwnerThread()) {
    while (!scan.Finished()) {
      if (pump_) {
        pump_();
      } else {
        mainThread_->ProcessPending();
      }
      if (scan.Finished()) break;
      // The scan's hand-overs and its end wake the queue; the time-out only
      // bounds the wait should a wake-up have gone to another reader.
      pollfd wake{mainThread_->WakeFd(), POLLIN, 0};
      (void)::poll(&wake, 1, 50);
    }
  }
  scan.Join();
}

std::vector<TShareManager::TTopLevelFolder> TShareManager::TopLevelFoldersLocked() const {
  std::vector<std::shared_ptr<TShareDirectory>> directories;
  std::vector<TTopLevelFolder> folders;
  {
    std::shared_lock lists(root_->listLock_);
    for (const auto& directory : root_->subdirectories_) {
      directories.push_back(directory);
      folders.push_back(
          {directory->topLevelRealPath_, directory->state_ == TShareEntryState::Present, false});
    }
  }
  // Each folder's own flag is under its own list lock, never taken with the root's.
  for (std::size_t i = 0; i < folders.size(); ++i) {
    folders[i].IncludeSubdirectories = directories[i]->IncludeSubdirectories();
  }
  return folders;
}

namespace {

// Paths of one disk share long beginnings; they differ soonest at their ends.
bool SamePathIgnoringCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = a.size(); i-- > 0;) {
    if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

bool TShareManager::TopLevelFileSharedLocked(std::string_view realPath) const {
  std::shared_lock lists(root_->listLock_);
  return std::ranges::any_of(root_->files_, [&](const std::shared_ptr<TShareFile>& file) {
    return file->state_ == TShareEntryState::Present &&
           SamePathIgnoringCase(file->topLevelRealPath_, realPath);
  });
}

std::string TShareManager::UniqueTopLevelNameLocked(std::string_view base, bool directories) const {
  // Trying the names in turn against all present names is what searching the list
  // again from its start after each clash comes to.
  std::shared_lock lists(root_->listLock_);
  const auto taken = [&](const auto& list, const TShareDirectory::TNameIndex& index, std::string_view name) {
    // The index finds the newest entry of a name at once; only when that one is
    // not present, an older one of the name (or one with blanks around it) may be.
    const auto it = index.find(name);
    if (it != index.end() && list[it->second]->state_ == TShareEntryState::Present) return true;
    return std::ranges::any_of(list, [&](const auto& entry) {
      return entry->state_ == TShareEntryState::Present && EqualsIgnoreCase(Trim(entry->name_), name);
    });
  };
  const auto isTaken = [&](std::string_view name) {
    return directories ? taken(root_->subdirectories_, root_->subdirectoryIndex_, Trim(name))
                       : taken(root_->files_, root_->fileIndex_, Trim(name));
  };
  std::string name(base);
  for (int n = 1; isTaken(name); ++n) name = std::string(base) + " (" + std::to_string(n) + ")";
  return name;
}

void TShareManager::VerifyRootInto(TShareEventList& events) { root_->VerifyInto(events); }

}  // namespace kp
