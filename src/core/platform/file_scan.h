#pragma once
// Walks a directory on disk, optionally with its subdirectories, one entry at a
// time. Every entry of a directory is reported (".", ".." and hidden ones
// included) before any of its subdirectories is entered; subdirectories are
// entered last found, first walked. Directories that cannot be listed are passed
// over. Linked folders are reported but never entered, so a walk neither loops
// nor leaves the tree it was started on.

#include <dirent.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace kp {

class TFileScan {
 public:
  TFileScan() = default;
  TFileScan(const TFileScan&) = delete;
  TFileScan& operator=(const TFileScan&) = delete;
  ~TFileScan();

  // Subdirectories are entered only while the number of "/" in their path is
  // below this limit; 0 means no limit.
  int ScanDepthLimit = 0;

  // Begins a walk of the folder (trimmed; a trailing "/" is added when missing).
  void Start(std::string_view path, bool recursive);
  // Moves to the next entry; false when the walk is over.
  [[nodiscard]] bool Next();

  // The current entry, valid after Next returned true.
  [[nodiscard]] const std::string& CurrentName() const noexcept { return currentName_; }
  [[nodiscard]] const std::string& CurrentPath() const noexcept { return currentPath_; }
  // A symbolic link counts as what it points to.
  [[nodiscard]] bool IsDirectory() const noexcept { return isDirectory_; }
  [[nodiscard]] bool IsSymbolicLink() const noexcept { return isSymbolicLink_; }
  // Hidden entries are those whose name begins with ".".
  [[nodiscard]] bool IsHidden() const noexcept { return !currentName_.empty() && currentName_[0] == '.'; }
  // Size in bytes and modification time (seconds since 1970), read on first use,
  // or with the entry when telling its kind took a look at it anyway (links, and
  // file systems whose listings leave the kind out).
  [[nodiscard]] std::int64_t Size() const;
  [[nodiscard]] std::int64_t ModificationTime() const;

 private:
  bool OpenNextDirectory();
  bool ReadEntry();
  void CloseListing() noexcept;
  // Stats the current entry relative to the open listing, by its full path once
  // the listing is closed.
  bool StatEntry(struct stat& info, bool followLink) const noexcept;
  void KeepDetails(const struct stat& info) const noexcept;
  void LoadDetails() const;

  std::vector<std::string> pending_;  // folders still to be listed, each ending in "/"
  std::string directory_;             // the folder being listed
  int directorySlashes_ = 0;          // the number of "/" in directory_, and so in each entry's path
  DIR* listing_ = nullptr;
  bool recursive_ = false;
  bool justStarted_ = false;
  bool startFolderPending_ = false;  // the folder given to Start may itself be a link

  std::string currentName_;
  std::string currentPath_;
  bool isDirectory_ = false;
  bool isSymbolicLink_ = false;
  mutable bool detailsLoaded_ = false;
  mutable std::int64_t size_ = 0;
  mutable std::int64_t modificationTime_ = 0;
};

}  // namespace kp
