#include "core/platform/file_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/config/text_basics.h"

namespace kp {

namespace {

bool IsDotEntry(const char* name) noexcept {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

TFileScan::~TFileScan() { CloseListing(); }

void TFileScan::CloseListing() noexcept {
  if (listing_) ::closedir(listing_);
  listing_ = nullptr;
}

void TFileScan::Start(std::string_view path, bool recursive) {
  CloseListing();
  pending_.clear();
  std::string folder(Trim(path));
  if (folder.empty() || folder.back() != '/') folder += '/';
  pending_.push_back(std::move(folder));
  recursive_ = recursive;
  justStarted_ = true;
  startFolderPending_ = true;
}

bool TFileScan::Next() {
  if (justStarted_) {
    justStarted_ = false;
  } else if (listing_ && ReadEntry()) {
    return true;
  }
  while (OpenNextDirectory()) {
    if (ReadEntry()) return true;
  }
  return false;
}

bool TFileScan::OpenNextDirectory() {
  CloseListing();
  if (pending_.empty()) return false;
  directory_ = std::move(pending_.back());
  pending_.pop_back();
  directorySlashes_ = static_cast<int>(std::count(directory_.begin(), directory_.end(), '/'));
  currentPath_.assign(directory_);

  // A subfolder was pushed as a real folder; should it have been swapped for a
  // link since, it is passed over rather than followed out of the tree. The
  // trailing "/" goes for the open, since with it the kernel follows any link.
  int fd = -1;
  if (startFolderPending_) {
    startFolderPending_ = false;
    fd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  } else {
    directory_.pop_back();
    fd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    directory_.push_back('/');
  }
  if (fd < 0) return true;  // cannot be listed: passed over
  listing_ = ::fdopendir(fd);
  if (!listing_) ::close(fd);
  return true;
}

bool TFileScan::ReadEntry() {
  if (!listing_) return false;
  const dirent* entry = ::readdir(listing_);
  if (!entry) {
    CloseListing();
    return false;
  }
  // The strings keep their capacity from entry to entry, and the folder part of
  // the path is already in place, so most entries allocate nothing.
  const std::size_t length = std::strlen(entry->d_name);
  currentName_.assign(entry->d_name, length);
  currentPath_.resize(directory_.size());
  currentPath_.append(entry->d_name, length);
  detailsLoaded_ = false;

  const unsigned char type = entry->d_type;
  isSymbolicLink_ = type == DT_LNK;
  isDirectory_ = type == DT_DIR;
  struct stat info {};
  if (type == DT_UNKNOWN && StatEntry(info, false)) {
    // Some file systems leave the type out of the listing; the stat it takes to
    // learn it also answers Size and ModificationTime.
    isSymbolicLink_ = S_ISLNK(info.st_mode);
    isDirectory_ = S_ISDIR(info.st_mode);
    if (!isSymbolicLink_) KeepDetails(info);
  }
  if (isSymbolicLink_) {
    // Only links need a second look, at what they point to.
    const bool reached = StatEntry(info, true);
    isDirectory_ = reached && S_ISDIR(info.st_mode);
    if (reached) KeepDetails(info);
  }

  // A linked folder is reported but not entered: links may form cycles that a
  // walk over a whole disk would never leave, or lead out of the walked tree.
  if (isDirectory_ && !isSymbolicLink_ && recursive_ && !IsDotEntry(entry->d_name) &&
      (ScanDepthLimit == 0 || directorySlashes_ < ScanDepthLimit)) {
    std::string& folder = pending_.emplace_back();
    folder.reserve(currentPath_.size() + 1);
    folder.append(currentPath_).push_back('/');
  }
  return true;
}

bool TFileScan::StatEntry(struct stat& info, bool followLink) const noexcept {
  const int flags = followLink ? 0 : AT_SYMLINK_NOFOLLOW;
  // The name alone, relative to the open folder, spares the kernel walking the
  // whole path again for every entry.
  if (listing_) return ::fstatat(::dirfd(listing_), currentName_.c_str(), &info, flags) == 0;
  return ::fstatat(AT_FDCWD, currentPath_.c_str(), &info, flags) == 0;
}

void TFileScan::KeepDetails(const struct stat& info) const noexcept {
  detailsLoaded_ = true;
  size_ = S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
  modificationTime_ = static_cast<std::int64_t>(info.st_mtim.tv_sec);
}

void TFileScan::LoadDetails() const {
  if (detailsLoaded_) return;
  struct stat info {};
  // A link that leads nowhere keeps its own details; one that appeared since the
  // listing counts as what it points to, like any other.
  const bool found = StatEntry(info, false);
  if (found && S_ISLNK(info.st_mode)) {
    struct stat target {};
    if (StatEntry(target, true)) info = target;
  }
  if (found) {
    KeepDetails(info);
    return;
  }
  detailsLoaded_ = true;
  size_ = 0;
  modificationTime_ = 0;
}

std::int64_t TFileScan::Size() const {
  LoadDetails();
  return size_;
}

std::int64_t TFileScan::ModificationTime() const {
  LoadDetails();
  return modificationTime_;
}

}  // namespace kp
