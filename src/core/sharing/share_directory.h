#pragma once
// One directory of the share tree: the invisible root, a shared folder at the top
// level, or a folder below one. A directory is read from the disk each time
// something enters it (Rescan); what it found stays in its lists, marked removed
// when it is gone, until a purge deletes it.
//
// Children are held by shared pointers. Lookups and cursors hold the nodes they
// stand on, so a purge never frees a node in use; a removed node simply leaves the
// lists. See share_entry.h for the lock order.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/config/case_insensitive_index.h"
#include "core/sharing/share_entry.h"
#include "core/sharing/share_file.h"

namespace kp {

using TShareMasks = std::vector<std::string>;

class TShareDirectory final : public TShareEntry, public std::enable_shared_from_this<TShareDirectory> {
 public:
  TShareDirectory(TShareManager& manager, std::shared_ptr<TShareDirectory> parent, std::string name,
                  bool includeSubdirectories);
  ~TShareDirectory() override;

  [[nodiscard]] bool IsRoot() const noexcept { return Parent() == nullptr; }

  [[nodiscard]] std::string Extensions() const;
  [[nodiscard]] TShareMasks Masks() const;
  [[nodiscard]] bool IncludeSubdirectories() const;
  [[nodiscard]] std::uint64_t Stamp() const;

  // Splits the text at its commas into trimmed masks (an empty piece matches every
  // name; a comma at the end adds none) and hands the masks to the subdirectories
  // one level down; deeper ones take them when next made.
  void SetExtensions(std::string_view extensions);
  // Take effect at the next rescan.
  void SetIncludeSubdirectories(bool include);
  void SetRealPath(std::string realPath);  // top-level folders only

  // Reads the directory from the disk: what is found again is present (also when
  // it had been marked removed), what is new is added, what is gone is removed.
  // Nothing outside the top-level folder is ever added.
  void Rescan();
  // The root only: rescans every top-level folder that exists and marks removed
  // (with an event) every top-level entry that does not.
  void Verify();
  // Verify for the root, Rescan for any other directory.
  void Refresh();
  // Deletes the entries that are not present, here and below. Does nothing while
  // a browse cursor is open: cursors count on positions staying put.
  void Purge();

  // The present child of that name (case ignored), or none. Of children whose
  // names differ in case only (a disk may hold both) the newest is found.
  [[nodiscard]] std::shared_ptr<TShareDirectory> FindSubdirectory(std::string_view name) const;
  [[nodiscard]] std::shared_ptr<TShareFile> FindFileHere(std::string_view name) const;
  // The children in order, removed ones too when asked.
  [[nodiscard]] std::vector<std::shared_ptr<TShareDirectory>> Subdirectories(bool withRemoved = false) const;
  [[nodiscard]] std::vector<std::shared_ptr<TShareFile>> Files(bool withRemoved = false) const;

 private:
  friend class TShareEntry;
  friend class TShareFile;
  friend class TShareManager;
  friend class TShareResults;
  friend class TShareTreeReader;

  using TNameIndex =
      std::unordered_map<std::string_view, std::size_t, CaseInsensitiveHash, CaseInsensitiveEqual>;

  void RescanInto(TShareEventList& events);
  // Without rescanContents only the existence of the top-level entries is checked.
  void VerifyInto(TShareEventList& events, bool rescanContents = true);
  void RefreshInto(TShareEventList& events) {
    if (IsRoot()) {
      VerifyInto(events);
    } else {
      RescanInto(events);
    }
  }
  // Caller holds the manager's lock and knows that no cursor is open.
  void PurgeTree();
  // Empties the lists of this directory and everything below, so that the nodes
  // (which keep their parents alive) free one another. Iterative: a loaded tree
  // may nest deeper than the stack would allow.
  void Dismantle();

  // Appends; the newest entry of a name is the one that lookups find. The Locked
  // forms expect the list lock held as writer.
  void Append(std::shared_ptr<TShareDirectory> child);
  void Append(std::shared_ptr<TShareFile> child);
  template <typename T>
  static void AppendLocked(std::vector<std::shared_ptr<T>>& list, TNameIndex& index,
                           std::shared_ptr<T> child);
  // Any state, case ignored; caller holds the list lock.
  [[nodiscard]] std::shared_ptr<TShareDirectory> SubdirectoryNamedLocked(std::string_view name) const;
  [[nodiscard]] std::shared_ptr<TShareFile> FileNamedLocked(std::string_view name) const;
  // The child of exactly that name: a disk may hold names that differ in case only.
  template <typename T>
  [[nodiscard]] static std::shared_ptr<T> ExactChildLocked(const std::vector<std::shared_ptr<T>>& list,
                                                           const TNameIndex& index, std::string_view name);
  // The name of a child changes; caller holds the list lock (as writer).
  void RenameChildLocked(TShareEntry& child, std::string_view name);
  void RebuildIndexesLocked();

  mutable std::shared_mutex listLock_;
  std::mutex rescanLock_;

  // Guarded by listLock_.
  std::vector<std::shared_ptr<TShareDirectory>> subdirectories_;
  std::vector<std::shared_ptr<TShareFile>> files_;
  TNameIndex subdirectoryIndex_;  // keys view the children's names
  TNameIndex fileIndex_;
  std::string extensions_;
  std::shared_ptr<const TShareMasks> masks_;  // shared by a folder's whole subtree
  bool includeSubdirectories_;
  std::uint64_t stamp_ = 0;
  // Taken apart: a rescan still running in it must not hang new children on it,
  // they would keep it and one another alive.
  bool dismantled_ = false;
};

}  // namespace kp
