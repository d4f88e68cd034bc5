#pragma once
// The shared items: one per top-level entry of the live share tree, holding what
// the user set for it (its name, its place on disk, its masks) and who may do
// what in it. The tree finds everything below a shared folder; the items only
// speak for the top level.
//
// Main thread only: the live tree's events arrive there, the access check is
// carried there, and the settings dialog lives there. The items lock guards the
// three lists where they change; readers on the main thread take no lock.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "core/sharing/share_manager.h"
#include "keplinor_records.h"

namespace kp {

class TPluginHolder;
class TPluginManager;
struct TCompletedFolderShare;

using TShareAccess = kp_share_access;
using TSharedResult = kp_shared_result;
static_assert(sizeof(TShareAccess) == 277, "stored and shown byte for byte");
static_assert(sizeof(TSharedResult) == 35, "plugins read it byte for byte");

// What a fresh item grants: reading and search answers, nothing else.
[[nodiscard]] TShareAccess DefaultAllAccess() noexcept;
// The text of a fixed field, up to its first NUL or its end.
[[nodiscard]] std::string_view FixedFieldText(const char* field, std::size_t size) noexcept;
// The key under which an item is found: trimmed and upper-cased.
[[nodiscard]] std::string SharedItemKey(std::string_view name);

class TSharedItem {
 public:
  std::string Name;
  std::shared_ptr<TShareFile> FileObject;      // file items
  std::shared_ptr<TShareDirectory> Directory;  // folder items
  std::vector<TShareAccess> AccessList;        // order matters: see the access check
  bool AllowAll = true;                        // AllAccess for everybody, AccessList ignored
  TShareAccess AllAccess = DefaultAllAccess();
  bool IsFolder = false;
  std::string RealPath;
  std::string Extensions;  // folder items: the comma-separated masks
  bool IncludeSubdirectories = false;

  void SetName(std::string_view name) { Name = name; }
  void AddAccess(const TShareAccess& access) { AccessList.push_back(access); }
  void ClearAccess() noexcept { AccessList.clear(); }
  // Everything, tree object and access list included.
  void CopyFrom(const TSharedItem& other);
};

// One record that plugins read, with the texts it points to, in low memory.
class TSharedResultRecord {
 public:
  TSharedResultRecord();
  ~TSharedResultRecord();
  TSharedResultRecord(const TSharedResultRecord&) = delete;
  TSharedResultRecord& operator=(const TSharedResultRecord&) = delete;

  [[nodiscard]] TSharedResult& Record() noexcept { return *record_; }
  [[nodiscard]] const TSharedResult& Record() const noexcept { return *record_; }
  [[nodiscard]] std::uint32_t Handle() const noexcept;
  // Replaces the three texts; the old ones are freed.
  void SetTexts(std::string_view name, std::string_view virtualPath, std::string_view realPath);
  // Describes a tree entry: a directory with zeros in every number and flag, a
  // file with its size and audio facts.
  void Describe(const TShareDirectory& directory);
  void Describe(const TShareFile& file);

 private:
  void FreeTexts() noexcept;

  TSharedResult* record_;
};

// The settings dialog's own copy of the items, keyed by the trimmed,
// upper-cased name each had when the dialog took it (a rename keeps the key
// until the copy is applied), with the keys of the items the user removed.
class TSharedWorkingCopy {
 public:
  struct TEntry {
    std::string Key;
    std::unique_ptr<TSharedItem> Item;
  };

  [[nodiscard]] TSharedItem* Find(std::string_view name) const;
  // An entry of the kind, place and settings of the item, added when absent.
  TSharedItem& FindOrCreate(const TSharedItem& like);
  // Takes the entry out and remembers its key for the apply.
  void Remove(std::string_view name);

  std::vector<TEntry> Entries;
  std::vector<std::string> Removed;
};

// The Shared files section as the core sees it; a program without one leaves it
// unset (rows, commands and notices then go nowhere).
class ISharedFilesSection {
 public:
  virtual ~ISharedFilesSection() = default;
  // The virtual folder the section shows ("/" at start).
  [[nodiscard]] virtual std::string ShownLocation() const = 0;
  // A row for the entry; the section keeps the record as long as the row.
  virtual void AddRow(std::unique_ptr<TSharedResultRecord> record) = 0;
  // Commands of a plugin for the entry selected now; the icon is resolved.
  virtual void AddPluginButton(TPluginHolder* owner, std::int32_t command, std::string_view description,
                               const std::string& iconFile) = 0;
  virtual std::uint32_t AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command,
                                           std::uint32_t parentMenu, std::string_view description,
                                           const std::string& iconFile) = 0;
};

enum class TSharedNotice : std::uint8_t { Add, Remove, Select };

// The registry of live items. It listens to the live tree: a top-level entry
// the tree makes (loading, system scan) becomes an item, one the tree marks
// removed is reported to the plugins but keeps its item and its rights.
class TSharedItemList final : public TShareListener {
 public:
  // plugins may be null (nobody is told).
  TSharedItemList(TShareManager& shares, TPluginManager* plugins);
  TSharedItemList(const TSharedItemList&) = delete;
  TSharedItemList& operator=(const TSharedItemList&) = delete;
  ~TSharedItemList() override;

  // Becomes the live tree's listener until this goes.
  void Listen();

  // Null for none; the dialog's copy is mirrored while it is set.
  void SetWorkingCopy(TSharedWorkingCopy* copy) noexcept { workingCopy_ = copy; }
  [[nodiscard]] TSharedWorkingCopy* WorkingCopy() const noexcept { return workingCopy_; }
  void SetSection(ISharedFilesSection* section) noexcept { section_ = section; }
  [[nodiscard]] ISharedFilesSection* Section() const noexcept { return section_; }
  [[nodiscard]] TShareManager& Shares() const noexcept { return shares_; }
  // Told after the dialog's copy was applied or an item removed, so a view that
  // depends on who may see what can look again; null for nobody.
  void SetChangedHandler(std::function<void()> handler) { changed_ = std::move(handler); }

  // mirror: the settings dialog's copy gets the item too.
  void RegisterFolder(const std::shared_ptr<TShareDirectory>& directory, bool mirror);
  void RegisterFile(const std::shared_ptr<TShareFile>& file, bool mirror);
  [[nodiscard]] TSharedItem* FindSharedItem(std::string_view name) const;
  // Marks the tree entry removed (the plugins hear of it before this returns)
  // and destroys the item; an unknown name does nothing.
  void RemoveSharedItem(std::string_view name);
  void ClearSharedItems();
  // The settings dialog's OK. A working item of the other kind than the live
  // item of its name replaces that item: the old one is removed, the new one
  // made anew, so a tree object is never used as the wrong kind. Items made
  // anew take the rights the user gave them in the dialog.
  void ApplySharedItems(TSharedWorkingCopy& copy);
  // Keeps the completed-downloads folder shared under its name.
  void ShareCompletedFolder(const TCompletedFolderShare& share);
  // Calls OnSharedAdd, OnSharedRemove or OnSharedSelect of every plugin.
  void NotifyShared(TSharedNotice notice, const TSharedResult& record) const;

  [[nodiscard]] std::size_t Count() const noexcept { return items_.size(); }
  [[nodiscard]] TSharedItem& ItemAt(std::size_t index) const { return *items_[index]; }

  // The live tree's events.
  void OnAddDirectory(TShareManager& sender, const std::shared_ptr<TShareDirectory>& directory) override;
  void OnAddFile(TShareManager& sender, const std::shared_ptr<TShareFile>& file) override;
  void OnRemoveDirectory(TShareManager& sender, const std::shared_ptr<TShareDirectory>& directory) override;
  void OnRemoveFile(TShareManager& sender, const std::shared_ptr<TShareFile>& file) override;

 private:
  static constexpr std::size_t kAbsent = static_cast<std::size_t>(-1);

  [[nodiscard]] std::size_t IndexOf(std::string_view name) const;
  TSharedItem& Append(std::unique_ptr<TSharedItem> item, std::shared_ptr<TShareEntry> object);
  void Mirror(const TSharedItem& item);
  // Tells the plugins and offers the section a row.
  void Announce(std::unique_ptr<TSharedResultRecord> record, std::string_view virtualPath);
  void CreateInTree(TSharedItem& working);
  void UpdateFromWorking(std::size_t index, const TSharedItem& working);

  TShareManager& shares_;
  TPluginManager* const plugins_;
  TSharedWorkingCopy* workingCopy_ = nullptr;
  ISharedFilesSection* section_ = nullptr;
  std::function<void()> changed_;
  bool listening_ = false;

  // Recursive: applying the dialog's copy holds it while it registers items.
  std::recursive_mutex itemsLock_;
  std::vector<std::unique_ptr<TSharedItem>> items_;
  std::vector<std::shared_ptr<TShareEntry>> objects_;
  std::vector<std::string> names_;
};

}  // namespace kp
