#include "core/sharing/share_entry.h"

#include <algorithm>
#include <mutex>
#include <shared_mutex>

#include "core/platform/file_io.h"
#include "core/sharing/share_directory.h"
#include "core/sharing/share_manager.h"

namespace kp {

TShareEntry::TShareEntry(TShareManager& manager, std::shared_ptr<TShareDirectory> parent, std::string name,
                         bool isDirectory)
    : manager_(&manager), parent_(std::move(parent)), name_(std::move(name)), isDirectory_(isDirectory) {}

bool TShareEntry::IsTopLevel() const { return parent_ && parent_->IsRoot(); }

std::string TShareEntry::Name() const {
  if (!parent_) return name_;  // the root's never changes
  std::shared_lock lock(parent_->listLock_);
  return name_;
}

TShareEntryState TShareEntry::State() const {
  if (!parent_) return state_;
  std::shared_lock lock(parent_->listLock_);
  return state_;
}

std::string TShareEntry::VirtualPath() const {
  // Derived on demand: a tree of many thousand files keeps one name per node.
  std::vector<std::string> names;
  for (const TShareEntry* entry = this; entry->parent_; entry = entry->parent_.get()) {
    names.push_back(entry->Name());
  }
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) {
    path += '/';
    path += *it;
  }
  return path;
}

std::string TShareEntry::TopLevelRealPath() const {
  const TShareEntry* entry = this;
  while (entry->parent_ && !entry->IsTopLevel()) entry = entry->parent_.get();
  if (!entry->parent_) return {};
  std::shared_lock lock(entry->parent_->listLock_);
  return entry->topLevelRealPath_;
}

std::string TShareEntry::RealPath() const {
  std::vector<std::string> names;
  const TShareEntry* entry = this;
  while (entry->parent_ && !entry->IsTopLevel()) {
    names.push_back(entry->Name());
    entry = entry->parent_.get();
  }
  if (!entry->parent_) return {};
  std::string path = entry->TopLevelRealPath();
  for (auto it = names.rbegin(); it != names.rend(); ++it) path = JoinPath(path, *it);
  return path;
}

void TShareEntry::SetName(std::string_view name) {
  if (!parent_) return;
  std::lock_guard managerLock(manager_->managerLock_);
  std::unique_lock lock(parent_->listLock_);
  parent_->RenameChildLocked(*this, name);
}

void TShareEntry::MarkRemoved() {
  if (!parent_) return;
  TShareEventList events;
  {
    std::lock_guard managerLock(manager_->managerLock_);
    std::unique_lock lock(parent_->listLock_);
    state_ = TShareEntryState::Removed;
    // Reported for a top-level entry that is still listed (found by identity).
    const auto report = [&](const auto& list, TShareEvent::Kind kind) {
      const auto it = std::ranges::find_if(list, [&](const auto& child) { return child.get() == this; });
      if (it != list.end()) events.push_back({kind, *it});
    };
    if (parent_->IsRoot() && isDirectory_)
      report(parent_->subdirectories_, TShareEvent::Kind::RemoveDirectory);
    if (parent_->IsRoot() && !isDirectory_) report(parent_->files_, TShareEvent::Kind::RemoveFile);
  }
  manager_->Deliver(events);
}

}  // namespace kp
