#pragma once
// What shared directories and shared files have in common: their place in the
// tree, their name and their state in their parent's lists.
//
// Locks of the share tree, always taken in this order, each only briefly:
//   1. the manager's lock (top-level changes, cursor registry, purge, load, save);
//   2. a browse cursor's own lock, held for one step of the cursor;
//   3. a directory's rescan lock, held for one rescan; no thread holds two;
//   4. a directory's list lock (its child lists, its children's names and states,
//      its masks and flags; for the root also the top-level real paths), a
//      reader-writer lock that is a leaf: nothing else is taken and no callback
//      runs while it is held.
// Events are collected while locks are held and delivered after all are released.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

class TShareDirectory;
class TShareManager;
class TSharedItem;

enum class TShareEntryState : std::uint8_t {
  Present = 0,
  Removed = 1,  // skipped by lookups and listings until a purge deletes it
  Stale = 2,    // during a rescan only: not yet found again
};

class TShareEntry {
 public:
  TShareEntry(const TShareEntry&) = delete;
  TShareEntry& operator=(const TShareEntry&) = delete;
  virtual ~TShareEntry() = default;

  [[nodiscard]] bool IsDirectory() const noexcept { return isDirectory_; }
  [[nodiscard]] TShareManager& Manager() const noexcept { return *manager_; }
  // None only for the root. An entry keeps its parent alive, so an entry that a
  // lookup still holds after a purge can still tell its paths.
  [[nodiscard]] const std::shared_ptr<TShareDirectory>& Parent() const noexcept { return parent_; }
  [[nodiscard]] bool IsTopLevel() const;

  [[nodiscard]] std::string Name() const;
  // "/" and the names from the top level down; empty for the root.
  [[nodiscard]] std::string VirtualPath() const;
  // The place on disk: a top-level entry's own path, below it the top-level
  // folder's path and the names on disk. Empty for the root. Nothing here says
  // that the path still leads where it did: open it with OpenContent (files) or
  // OpenSharedFile, never by the path alone.
  [[nodiscard]] std::string RealPath() const;
  // The real path of the top-level entry this one belongs to.
  [[nodiscard]] std::string TopLevelRealPath() const;
  [[nodiscard]] TShareEntryState State() const;

  // Renames the entry in its parent's lists; the virtual paths below follow. Below
  // the top level the name is also the name on disk.
  void SetName(std::string_view name);
  // Marks the entry removed; a top-level entry raises the remove event.
  void MarkRemoved();

  // Back link kept by the shared-items registry; used on the main thread only.
  [[nodiscard]] TSharedItem* SharedItem() const noexcept { return sharedItem_; }
  void SetSharedItem(TSharedItem* item) noexcept { sharedItem_ = item; }

 protected:
  TShareEntry(TShareManager& manager, std::shared_ptr<TShareDirectory> parent, std::string name,
              bool isDirectory);

 private:
  friend class TShareDirectory;
  friend class TShareFile;
  friend class TShareManager;
  friend class TShareResults;
  friend class TShareTreeReader;

  TShareManager* const manager_;
  const std::shared_ptr<TShareDirectory> parent_;
  // The next three are guarded by the parent's list lock.
  std::string name_;
  std::string topLevelRealPath_;  // top-level entries only
  TShareEntryState state_ = TShareEntryState::Present;
  const bool isDirectory_;
  TSharedItem* sharedItem_ = nullptr;
};

// An event that an operation raised, delivered once its locks are released.
struct TShareEvent {
  enum class Kind : std::uint8_t { AddDirectory, AddFile, RemoveDirectory, RemoveFile };
  Kind kind;
  std::shared_ptr<TShareEntry> entry;
};
using TShareEventList = std::vector<TShareEvent>;

}  // namespace kp
