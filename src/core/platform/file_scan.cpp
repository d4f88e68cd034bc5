#include "core/platform/file_scan.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/config/text_basics.h"

namespace kp {

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
  listing_ = ::opendir(directory_.c_str());  // null when it cannot be listed: passed over
  return true;
}

bool TFileScan::ReadEntry() {
  if (!listing_) return false;
  const dirent* entry = ::readdir(listing_);
  if (!entry) {
    CloseListing();
    return false;
  }
  currentName_.assign(entry->d_name);
  currentPath_.assign(directory_).append(currentName_);
  detailsLoaded_ = false;
  const unsigned char type = entry->d_type;
  isSymbolicLink_ = type == DT_LNK;
  isDirectory_ = type == DT_DIR;
  if (type == DT_UNKNOWN) {
    // Some file systems leave the type out of the listing; ask for the entry itself.
    struct stat own {};
    if (::lstat(currentPath_.c_str(), &own) == 0) {
      isSymbolicLink_ = S_ISLNK(own.st_mode);
      isDirectory_ = S_ISDIR(own.st_mode);
    }
  }
  if (isSymbolicLink_) {
    struct stat target {};
    isDirectory_ = ::stat(currentPath_.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
  }

  // A linked folder is reported but not entered: links may form cycles that a
  // walk over a whole disk would never leave.
  const bool isDotEntry = currentName_ == "." || currentName_ == "..";
  if (isDirectory_ && !isDotEntry && !isSymbolicLink_ && recursive_ &&
      (ScanDepthLimit == 0 || std::count(currentPath_.begin(), currentPath_.end(), '/') < ScanDepthLimit)) {
    pending_.push_back(currentPath_ + '/');
  }
  return true;
}

void TFileScan::LoadDetails() const {
  if (detailsLoaded_) return;
  detailsLoaded_ = true;
  struct stat info {};
  if (::stat(currentPath_.c_str(), &info) != 0 && ::lstat(currentPath_.c_str(), &info) != 0) {
    size_ = 0;
    modificationTime_ = 0;
    return;
  }
  size_ = S_ISREG(info.st_mode) ? static_cast<std::int64_t>(info.st_size) : 0;
  modificationTime_ = static_cast<std::int64_t>(info.st_mtim.tv_sec);
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
