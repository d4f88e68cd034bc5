#include "core/sharing/share_results.h"

#include <mutex>
#include <shared_mutex>

#include "core/platform/file_io.h"
#include "core/sharing/share_directory.h"
#include "core/sharing/share_manager.h"

namespace kp {

TShareResults::TShareResults(TShareManager& manager, bool recursive) noexcept
    : manager_(&manager), recursive_(recursive) {}

TShareResults::~TShareResults() {
  if (TShareManager* manager = manager_.load()) manager->Unregister(this);
}

void TShareResults::Enter(std::shared_ptr<TShareDirectory> directory) {
  std::lock_guard lock(lock_);
  current_ = TPosition{};
  current_.realPath = directory->RealPath();
  current_.virtualPath = directory->VirtualPath();
  current_.directory = std::move(directory);
}

void TShareResults::Detach() {
  std::lock_guard lock(lock_);
  manager_.store(nullptr);
  current_ = TPosition{};
  stack_.clear();
}

bool TShareResults::Next() {
  std::lock_guard lock(lock_);
  while (current_.directory) {
    TShareDirectory& directory = *current_.directory;
    const bool atRoot = directory.IsRoot();
    std::shared_ptr<TShareDirectory> subdirectory;
    {
      std::shared_lock lists(directory.listLock_);
      // The child's paths come from those of the folder the cursor stands in, so
      // a step costs no walk up the tree.
      const auto fill = [&](const TShareEntry& child, bool isDirectory) {
        entry_.directory = isDirectory;
        entry_.name = child.name_;
        if (atRoot) {
          entry_.realPath = child.topLevelRealPath_;
        } else {
          entry_.realPath = JoinPath(current_.realPath, child.name_);
        }
        entry_.virtualPath = current_.virtualPath;
        entry_.virtualPath += '/';
        entry_.virtualPath += child.name_;
      };
      while (current_.nextFile < directory.files_.size()) {
        const TShareFile& file = *directory.files_[current_.nextFile++];
        if (file.state_ == TShareEntryState::Removed) continue;
        fill(file, false);
        entry_.isMP3 = file.IsMP3();
        entry_.size = file.Size();
        entry_.bitrate = file.Bitrate();
        entry_.length = file.Length();
        entry_.frequency = file.Frequency();
        return true;
      }
      while (current_.nextSubdirectory < directory.subdirectories_.size()) {
        const auto& child = directory.subdirectories_[current_.nextSubdirectory++];
        if (child->state_ == TShareEntryState::Removed) continue;
        fill(*child, true);
        entry_.isMP3 = false;
        entry_.size = entry_.bitrate = entry_.length = entry_.frequency = 0;
        subdirectory = child;
        break;
      }
    }
    if (subdirectory) {
      if (recursive_) {
        stack_.push_back(std::move(current_));
        current_ = TPosition{
            .directory = subdirectory, .realPath = entry_.realPath, .virtualPath = entry_.virtualPath};
        // Read from the disk on the way in, once the list lock is gone. Below the
        // top level a rescan raises no events.
        TShareEventList events;
        subdirectory->RescanInto(events);
      }
      return true;
    }
    if (stack_.empty()) return false;
    current_ = std::move(stack_.back());
    stack_.pop_back();
  }
  return false;
}

}  // namespace kp
