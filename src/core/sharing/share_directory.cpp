#include "core/sharing/share_directory.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <optional>
#include <utility>

#include "core/config/shared_routines.h"
#include "core/config/wildcard.h"
#include "core/platform/file_io.h"
#include "core/platform/file_scan.h"
#include "core/sharing/share_audio.h"
#include "core/sharing/share_manager.h"
#include "core/sharing/share_paths.h"

namespace kp {
namespace {

const std::shared_ptr<const TShareMasks>& NoMasks() {
  static const auto none = std::make_shared<const TShareMasks>();
  return none;
}

bool MatchesAnyMask(const TShareMasks& masks, std::string_view name) {
  return std::ranges::any_of(masks, [&](const std::string& mask) { return MatchWildcard(mask, name); });
}

bool IsAudioName(std::string_view name) { return MatchWildcard("*.mp3", name); }

// One entry of a listing that passed the masks and the link rules.
struct TFound {
  std::string name;
  bool directory = false;
  bool link = false;
};

std::optional<std::string> DescriptorPath(int fd) {
  return CanonicalPath("/proc/self/fd/" + std::to_string(fd));
}

std::vector<TFound> ListDirectory(const TShareFolderHandle& folder, int directoryFd,
                                  const std::string& relative, const TShareMasks& masks,
                                  bool includeSubdirectories) {
  std::vector<TFound> found;
  std::optional<std::string> here;  // this folder's canonical path, when a linked folder needs it
  TFileScan scan;
  // The walker takes a path. The descriptor's entry in /proc names the very folder
  // that was opened without leaving the share, whatever its path leads to by now.
  scan.Start("/proc/self/fd/" + std::to_string(directoryFd), false);
  while (scan.Next()) {
    const std::string& name = scan.CurrentName();
    if (name == "." || name == "..") continue;
    bool isDirectory = scan.IsDirectory();
    const bool link = scan.IsSymbolicLink();
    if (link) {
      if (!includeSubdirectories && !MatchesAnyMask(masks, name)) continue;
      // A link is shared only when it resolves inside the top-level folder.
      const TFileDescriptor target = OpenBeneath(folder, JoinPath(relative, name), O_PATH);
      struct stat status {};
      if (!target.valid() || ::fstat(target.get(), &status) != 0) continue;
      isDirectory = S_ISDIR(status.st_mode);
      if (!isDirectory && !S_ISREG(status.st_mode)) continue;
      if (isDirectory && includeSubdirectories) {
        if (!here) here = DescriptorPath(directoryFd);
        const std::optional<std::string> there = DescriptorPath(target.get());
        // A link to this folder or one above it would nest the tree without end.
        if (!here || !there || IsSameOrBelow(*there, *here)) continue;
      }
    }
    if (isDirectory ? !includeSubdirectories : !MatchesAnyMask(masks, name)) continue;
    found.push_back({name, isDirectory, link});
  }
  return found;
}

std::uint32_t ClampTo32Bits(std::int64_t value) {
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, UINT32_MAX));
}

// What a new file holds; none when it is not a regular file inside the folder.
std::optional<TShareFileFacts> ReadNewFile(const TShareFolderHandle& folder, int directoryFd,
                                           const std::string& relative, const std::string& name, bool link) {
  struct stat status {};
  if (link) {
    const TFileDescriptor target = OpenBeneath(folder, JoinPath(relative, name), O_PATH);
    if (!target.valid() || ::fstat(target.get(), &status) != 0) return std::nullopt;
  } else if (::fstatat(directoryFd, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
    return std::nullopt;
  }
  // Named pipes, devices and sockets are not files that anyone can fetch.
  if (!S_ISREG(status.st_mode)) return std::nullopt;
  TShareFileFacts facts;
  facts.Size = ClampTo32Bits(status.st_size);
  facts.Modified = UnixTimeToDays(status.st_mtim.tv_sec);
  if (IsAudioName(name)) {
    constexpr int kReadFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY;
    const TFileDescriptor content =
        link ? OpenBeneath(folder, JoinPath(relative, name), kReadFlags)
             : TFileDescriptor(::openat(directoryFd, name.c_str(), kReadFlags | O_NOFOLLOW | O_CLOEXEC));
    if (content.valid()) {
      facts.TakeAudio(ReadShareAudioInfo(content.get()));
    }
  }
  return facts;
}

}  // namespace

TShareDirectory::TShareDirectory(TShareManager& manager, std::shared_ptr<TShareDirectory> parent,
                                 std::string name, bool includeSubdirectories)
    : TShareEntry(manager, std::move(parent), std::move(name), true),
      masks_(NoMasks()),
      includeSubdirectories_(includeSubdirectories) {
  const std::shared_ptr<TShareDirectory>& up = Parent();
  if (up && !up->IsRoot()) {
    std::shared_lock lock(up->listLock_);
    extensions_ = up->extensions_;
    masks_ = up->masks_;
  }
}

TShareDirectory::~TShareDirectory() = default;

std::string TShareDirectory::Extensions() const {
  std::shared_lock lock(listLock_);
  return extensions_;
}

TShareMasks TShareDirectory::Masks() const {
  std::shared_lock lock(listLock_);
  return *masks_;
}

bool TShareDirectory::IncludeSubdirectories() const {
  std::shared_lock lock(listLock_);
  return includeSubdirectories_;
}

std::uint64_t TShareDirectory::Stamp() const {
  std::shared_lock lock(listLock_);
  return stamp_;
}

void TShareDirectory::SetExtensions(std::string_view extensions) {
  auto masks = std::make_shared<const TShareMasks>(SplitCommaList(extensions));
  std::vector<std::shared_ptr<TShareDirectory>> children;
  {
    std::unique_lock lock(listLock_);
    extensions_ = std::string(extensions);
    masks_ = masks;
    children = subdirectories_;
  }
  for (const auto& child : children) {
    std::unique_lock lock(child->listLock_);
    child->masks_ = masks;
  }
}

void TShareDirectory::SetIncludeSubdirectories(bool include) {
  std::unique_lock lock(listLock_);
  includeSubdirectories_ = include;
}

void TShareDirectory::SetRealPath(std::string realPath) {
  if (!IsTopLevel()) return;
  std::unique_lock lock(Parent()->listLock_);
  topLevelRealPath_ = std::move(realPath);
}

void TShareDirectory::Rescan() {
  TShareEventList events;
  RescanInto(events);
  Manager().Deliver(events);
}

void TShareDirectory::Verify() {
  TShareEventList events;
  VerifyInto(events);
  Manager().Deliver(events);
}

void TShareDirectory::Refresh() {
  TShareEventList events;
  RefreshInto(events);
  Manager().Deliver(events);
}

void TShareDirectory::Purge() {
  std::lock_guard lock(Manager().managerLock_);
  if (Manager().cursors_.empty()) PurgeTree();
}

void TShareDirectory::RescanInto(TShareEventList& /*events*/) {
  if (IsRoot()) return;
  std::lock_guard rescan(rescanLock_);

  std::vector<std::string> names;
  for (const TShareEntry* entry = this; !entry->IsTopLevel(); entry = entry->Parent().get()) {
    names.push_back(entry->Name());
  }
  std::string relative;
  for (auto it = names.rbegin(); it != names.rend(); ++it) relative = JoinPath(relative, *it);
  std::shared_ptr<const TShareMasks> masks;
  bool includeSubdirectories = false;
  {
    std::shared_lock lock(listLock_);
    masks = masks_;
    includeSubdirectories = includeSubdirectories_;
  }

  // A folder that cannot be listed (or no longer lies inside the share) finds
  // nothing, so everything in it becomes removed.
  const TShareFolderHandle folder = OpenShareFolder(TopLevelRealPath());
  TFileDescriptor directory;
  if (folder.valid()) directory = OpenBeneath(folder, relative, O_RDONLY | O_DIRECTORY);
  std::vector<TFound> found;
  if (directory.valid())
    found = ListDirectory(folder, directory.get(), relative, *masks, includeSubdirectories);

  // One writer section: no reader ever sees an entry in the middle of a rescan.
  std::vector<const TFound*> fresh;
  {
    std::unique_lock lock(listLock_);
    for (const auto& child : subdirectories_) {
      if (child->state_ != TShareEntryState::Removed) child->state_ = TShareEntryState::Stale;
    }
    for (const auto& child : files_) {
      if (child->state_ != TShareEntryState::Removed) child->state_ = TShareEntryState::Stale;
    }
    for (const TFound& entry : found) {
      TShareEntry* child = entry.directory
                               ? static_cast<TShareEntry*>(
                                     ExactChildLocked(subdirectories_, subdirectoryIndex_, entry.name).get())
                               : ExactChildLocked(files_, fileIndex_, entry.name).get();
      if (child) {
        // Found again: present, also when it had been removed and not yet purged.
        child->state_ = TShareEntryState::Present;
      } else {
        fresh.push_back(&entry);
      }
    }
    for (const auto& child : subdirectories_) {
      if (child->state_ == TShareEntryState::Stale) child->state_ = TShareEntryState::Removed;
    }
    for (const auto& child : files_) {
      if (child->state_ == TShareEntryState::Stale) child->state_ = TShareEntryState::Removed;
    }
  }
  if (fresh.empty()) return;

  // New entries are made without the lock: reading a file's audio takes a while.
  std::vector<std::shared_ptr<TShareDirectory>> newDirectories;
  std::vector<std::shared_ptr<TShareFile>> newFiles;
  const std::shared_ptr<TShareDirectory> self = shared_from_this();
  for (const TFound* entry : fresh) {
    if (entry->directory) {
      newDirectories.push_back(std::make_shared<TShareDirectory>(Manager(), self, entry->name, true));
    } else if (const std::optional<TShareFileFacts> facts =
                   ReadNewFile(folder, directory.get(), relative, entry->name, entry->link)) {
      newFiles.push_back(std::make_shared<TShareFile>(Manager(), self, entry->name, *facts));
    }
  }
  std::unique_lock lock(listLock_);
  if (dismantled_) return;
  for (auto& child : newDirectories) {
    // A rename may have given an existing entry this name meanwhile.
    if (const auto existing = ExactChildLocked(subdirectories_, subdirectoryIndex_, child->name_)) {
      existing->state_ = TShareEntryState::Present;
    } else {
      AppendLocked(subdirectories_, subdirectoryIndex_, std::move(child));
    }
  }
  for (auto& child : newFiles) {
    if (const auto existing = ExactChildLocked(files_, fileIndex_, child->name_)) {
      existing->state_ = TShareEntryState::Present;
    } else {
      AppendLocked(files_, fileIndex_, std::move(child));
    }
  }
}

void TShareDirectory::VerifyInto(TShareEventList& events, bool rescanContents) {
  if (!IsRoot()) return;
  std::vector<std::pair<std::shared_ptr<TShareDirectory>, std::string>> directories;
  std::vector<std::pair<std::shared_ptr<TShareFile>, std::string>> files;
  {
    std::shared_lock lock(listLock_);
    for (const auto& child : subdirectories_) directories.emplace_back(child, child->topLevelRealPath_);
    for (const auto& child : files_) files.emplace_back(child, child->topLevelRealPath_);
  }
  // Removed entries are checked again, so a vanished one is reported every time.
  for (const auto& [directory, path] : directories) {
    if (kp::IsDirectory(path)) {
      if (rescanContents) directory->RescanInto(events);
      continue;
    }
    {
      std::unique_lock lock(listLock_);
      directory->state_ = TShareEntryState::Removed;
    }
    events.push_back({TShareEvent::Kind::RemoveDirectory, directory});
  }
  for (const auto& [file, path] : files) {
    if (IsRegularFile(path)) continue;
    {
      std::unique_lock lock(listLock_);
      file->state_ = TShareEntryState::Removed;
    }
    events.push_back({TShareEvent::Kind::RemoveFile, file});
  }
}

void TShareDirectory::PurgeTree() {
  std::vector<std::shared_ptr<TShareDirectory>> pending{shared_from_this()};
  std::vector<std::shared_ptr<TShareDirectory>> droppedDirectories;
  std::vector<std::shared_ptr<TShareFile>> droppedFiles;  // freed once the locks are gone
  while (!pending.empty()) {
    const std::shared_ptr<TShareDirectory> directory = std::move(pending.back());
    pending.pop_back();
    std::unique_lock lock(directory->listLock_);
    const std::size_t before = droppedFiles.size() + droppedDirectories.size();
    std::vector<std::shared_ptr<TShareFile>> keptFiles;
    keptFiles.reserve(directory->files_.size());
    for (auto& file : directory->files_) {
      (file->state_ == TShareEntryState::Present ? keptFiles : droppedFiles).push_back(std::move(file));
    }
    std::vector<std::shared_ptr<TShareDirectory>> kept;
    kept.reserve(directory->subdirectories_.size());
    for (auto& child : directory->subdirectories_) {
      (child->state_ == TShareEntryState::Present ? kept : droppedDirectories).push_back(std::move(child));
    }
    directory->files_ = std::move(keptFiles);
    directory->subdirectories_ = std::move(kept);
    if (droppedFiles.size() + droppedDirectories.size() != before) directory->RebuildIndexesLocked();
    pending.insert(pending.end(), directory->subdirectories_.begin(), directory->subdirectories_.end());
  }
  droppedFiles.clear();
  for (const auto& directory : droppedDirectories) directory->Dismantle();
}

void TShareDirectory::Dismantle() {
  std::vector<std::shared_ptr<TShareDirectory>> all{shared_from_this()};
  std::vector<std::shared_ptr<TShareFile>> files;
  for (std::size_t i = 0; i < all.size(); ++i) {
    TShareDirectory& directory = *all[i];
    std::unique_lock lock(directory.listLock_);
    directory.dismantled_ = true;
    directory.subdirectoryIndex_.clear();
    directory.fileIndex_.clear();
    for (auto& child : directory.subdirectories_) all.push_back(std::move(child));
    for (auto& file : directory.files_) files.push_back(std::move(file));
    directory.subdirectories_.clear();
    directory.files_.clear();
  }
  files.clear();
  // Deepest first: each node freed here still has its parent held by the list, so
  // no chain of frees nests.
  while (!all.empty()) all.pop_back();
}

void TShareDirectory::Append(std::shared_ptr<TShareDirectory> child) {
  std::unique_lock lock(listLock_);
  if (!dismantled_) AppendLocked(subdirectories_, subdirectoryIndex_, std::move(child));
}

void TShareDirectory::Append(std::shared_ptr<TShareFile> child) {
  std::unique_lock lock(listLock_);
  if (!dismantled_) AppendLocked(files_, fileIndex_, std::move(child));
}

template <typename T>
void TShareDirectory::AppendLocked(std::vector<std::shared_ptr<T>>& list, TNameIndex& index,
                                   std::shared_ptr<T> child) {
  const std::size_t position = list.size();
  list.push_back(std::move(child));
  // Erased first: the key must view the name of the entry it leads to.
  const std::string_view name = list.back()->name_;
  index.erase(name);
  index.emplace(name, position);
}

template <typename T>
std::shared_ptr<T> TShareDirectory::ExactChildLocked(const std::vector<std::shared_ptr<T>>& list,
                                                     const TNameIndex& index, std::string_view name) {
  const auto it = index.find(name);
  if (it == index.end()) return nullptr;
  if (list[it->second]->name_ == name) return list[it->second];
  for (auto child = list.rbegin(); child != list.rend(); ++child) {
    if ((*child)->name_ == name) return *child;
  }
  return nullptr;
}

std::shared_ptr<TShareDirectory> TShareDirectory::SubdirectoryNamedLocked(std::string_view name) const {
  const auto it = subdirectoryIndex_.find(name);
  return it == subdirectoryIndex_.end() ? nullptr : subdirectories_[it->second];
}

std::shared_ptr<TShareFile> TShareDirectory::FileNamedLocked(std::string_view name) const {
  const auto it = fileIndex_.find(name);
  return it == fileIndex_.end() ? nullptr : files_[it->second];
}

void TShareDirectory::RenameChildLocked(TShareEntry& child, std::string_view name) {
  const auto rename = [&](auto& list, TNameIndex& index) {
    std::optional<std::size_t> position;
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i].get() == &child) position = i;
    }
    if (!position) {
      child.name_ = std::string(name);  // no longer listed: nothing to index
      return;
    }
    const std::string oldName = child.name_;
    const auto it = index.find(std::string_view(oldName));
    const bool indexedHere = it != index.end() && it->second == *position;
    if (indexedHere) index.erase(it);
    child.name_ = std::string(name);
    if (indexedHere) {
      // Another entry of the old name, the newest, is found from now on.
      for (std::size_t i = list.size(); i-- > 0;) {
        if (i != *position && EqualsIgnoreCase(list[i]->name_, oldName)) {
          index.emplace(std::string_view(list[i]->name_), i);
          break;
        }
      }
    }
    index.erase(std::string_view(child.name_));
    index.emplace(std::string_view(child.name_), *position);
  };
  if (child.IsDirectory()) {
    rename(subdirectories_, subdirectoryIndex_);
  } else {
    rename(files_, fileIndex_);
  }
}

void TShareDirectory::RebuildIndexesLocked() {
  subdirectoryIndex_.clear();
  fileIndex_.clear();
  for (std::size_t i = 0; i < subdirectories_.size(); ++i) {
    subdirectoryIndex_.erase(std::string_view(subdirectories_[i]->name_));
    subdirectoryIndex_.emplace(std::string_view(subdirectories_[i]->name_), i);
  }
  for (std::size_t i = 0; i < files_.size(); ++i) {
    fileIndex_.erase(std::string_view(files_[i]->name_));
    fileIndex_.emplace(std::string_view(files_[i]->name_), i);
  }
}

std::shared_ptr<TShareDirectory> TShareDirectory::FindSubdirectory(std::string_view name) const {
  std::shared_lock lock(listLock_);
  auto child = SubdirectoryNamedLocked(name);
  return child && child->state_ != TShareEntryState::Removed ? child : nullptr;
}

std::shared_ptr<TShareFile> TShareDirectory::FindFileHere(std::string_view name) const {
  std::shared_lock lock(listLock_);
  auto child = FileNamedLocked(name);
  return child && child->state_ != TShareEntryState::Removed ? child : nullptr;
}

std::vector<std::shared_ptr<TShareDirectory>> TShareDirectory::Subdirectories(bool withRemoved) const {
  std::shared_lock lock(listLock_);
  std::vector<std::shared_ptr<TShareDirectory>> result;
  for (const auto& child : subdirectories_) {
    if (withRemoved || child->state_ != TShareEntryState::Removed) result.push_back(child);
  }
  return result;
}

std::vector<std::shared_ptr<TShareFile>> TShareDirectory::Files(bool withRemoved) const {
  std::shared_lock lock(listLock_);
  std::vector<std::shared_ptr<TShareFile>> result;
  for (const auto& child : files_) {
    if (withRemoved || child->state_ != TShareEntryState::Removed) result.push_back(child);
  }
  return result;
}

}  // namespace kp
