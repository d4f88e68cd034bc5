#include "core/sharing/shared_items.h"

#include <algorithm>
#include <cstring>

#include "core/config/text_basics.h"
#include "core/host/plugin_events.h"
#include "core/platform/low_memory_heap.h"
#include "core/transfers/download_folders.h"

namespace kp {
namespace {

constexpr std::string_view kCompletedFolderMask = "*.*";

// The virtual folder that holds the entry: its path up to and including the last "/".
std::string_view ParentLocation(std::string_view virtualPath) {
  const std::size_t slash = virtualPath.find_last_of("/\\");
  return slash == std::string_view::npos ? std::string_view() : virtualPath.substr(0, slash + 1);
}

bool SameLocation(std::string_view a, std::string_view b) { return EqualsIgnoreCase(Trim(a), Trim(b)); }

}  // namespace

TShareAccess DefaultAllAccess() noexcept {
  TShareAccess access{};
  access.IncludeInSearchRequests = 1;
  return access;
}

std::string_view FixedFieldText(const char* field, std::size_t size) noexcept {
  const void* nul = std::memchr(field, '\0', size);
  return {field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : size};
}

std::string SharedItemKey(std::string_view name) { return ToUpperAscii(Trim(name)); }

void TSharedItem::CopyFrom(const TSharedItem& other) {
  if (&other == this) return;
  FileObject = other.FileObject;
  Directory = other.Directory;
  AllowAll = other.AllowAll;
  AllAccess = other.AllAccess;
  IsFolder = other.IsFolder;
  RealPath = other.RealPath;
  Name = other.Name;
  Extensions = other.Extensions;
  IncludeSubdirectories = other.IncludeSubdirectories;
  AccessList = other.AccessList;
}

// ---- records ------------------------------------------------------------------

TSharedResultRecord::TSharedResultRecord() : record_(LowNew<TSharedResult>()) {}

TSharedResultRecord::~TSharedResultRecord() {
  FreeTexts();
  LowDelete(record_);
}

std::uint32_t TSharedResultRecord::Handle() const noexcept { return LowAddress(record_); }

void TSharedResultRecord::FreeTexts() noexcept {
  for (kp_text32* text : {&record_->sName, &record_->sVirtualPath, &record_->sRealPath}) {
    LowFree(reinterpret_cast<void*>(static_cast<std::uintptr_t>(*text)));
    *text = 0;
  }
}

void TSharedResultRecord::SetTexts(std::string_view name, std::string_view virtualPath,
                                   std::string_view realPath) {
  // Made before the old ones go, so a failed allocation leaves the record whole.
  std::unique_ptr<char, void (*)(char*)> newName(LowCopyText(name), [](char* p) { LowFree(p); });
  std::unique_ptr<char, void (*)(char*)> newVirtual(LowCopyText(virtualPath), [](char* p) { LowFree(p); });
  char* newReal = LowCopyText(realPath);
  FreeTexts();
  record_->sName = LowAddress(newName.release());
  record_->sVirtualPath = LowAddress(newVirtual.release());
  record_->sRealPath = LowAddress(newReal);
}

void TSharedResultRecord::Describe(const TShareDirectory& directory) {
  SetTexts(directory.Name(), directory.VirtualPath(), directory.RealPath());
  TSharedResult& r = *record_;
  r.iSize = r.iBitrate = r.iLength = r.iFrequency = 0;
  r.bMP3 = 0;
  r.bIncludeInSearchRequests = 0;
  r.bDirectory = 1;
}

void TSharedResultRecord::Describe(const TShareFile& file) {
  SetTexts(file.Name(), file.VirtualPath(), file.RealPath());
  TSharedResult& r = *record_;
  r.iSize = static_cast<std::int32_t>(file.Size());
  r.iBitrate = static_cast<std::int32_t>(file.Bitrate());
  r.iLength = static_cast<std::int32_t>(file.Length());
  r.iFrequency = static_cast<std::int32_t>(file.Frequency());
  r.bMP3 = file.IsMP3() ? 1 : 0;
  r.bIncludeInSearchRequests = 0;
  r.bDirectory = 0;
}

// ---- the settings dialog's copy ------------------------------------------------

TSharedItem* TSharedWorkingCopy::Find(std::string_view name) const {
  const std::string key = SharedItemKey(name);
  for (const TEntry& entry : Entries) {
    if (entry.Key == key) return entry.Item.get();
  }
  return nullptr;
}

TSharedItem& TSharedWorkingCopy::FindOrCreate(const TSharedItem& like) {
  if (TSharedItem* found = Find(like.Name)) return *found;
  auto item = std::make_unique<TSharedItem>();
  item->IsFolder = like.IsFolder;
  item->RealPath = like.RealPath;
  item->Name = like.Name;
  item->Extensions = like.Extensions;
  item->IncludeSubdirectories = like.IncludeSubdirectories;
  Entries.push_back({SharedItemKey(like.Name), std::move(item)});
  return *Entries.back().Item;
}

void TSharedWorkingCopy::Remove(std::string_view name) {
  const std::string key = SharedItemKey(name);
  const auto it = std::ranges::find(Entries, key, &TEntry::Key);
  if (it == Entries.end()) return;
  Entries.erase(it);
  Removed.push_back(key);
}

// ---- the registry --------------------------------------------------------------

TSharedItemList::TSharedItemList(TShareManager& shares, TPluginManager* plugins)
    : shares_(shares), plugins_(plugins) {}

TSharedItemList::~TSharedItemList() {
  if (listening_) shares_.SetListener(nullptr);
  ClearSharedItems();
}

void TSharedItemList::Listen() {
  shares_.SetListener(this);
  listening_ = true;
}

std::size_t TSharedItemList::IndexOf(std::string_view name) const {
  const std::string key = SharedItemKey(name);
  for (std::size_t i = 0; i < names_.size(); ++i) {
    if (names_[i] == key) return i;
  }
  return kAbsent;
}

TSharedItem* TSharedItemList::FindSharedItem(std::string_view name) const {
  const std::size_t index = IndexOf(name);
  return index == kAbsent ? nullptr : items_[index].get();
}

TSharedItem& TSharedItemList::Append(std::unique_ptr<TSharedItem> item, std::shared_ptr<TShareEntry> object) {
  std::lock_guard lock(itemsLock_);
  items_.reserve(items_.size() + 1);
  objects_.reserve(objects_.size() + 1);
  names_.reserve(names_.size() + 1);
  names_.push_back(SharedItemKey(item->Name));
  objects_.push_back(std::move(object));
  items_.push_back(std::move(item));
  return *items_.back();
}

void TSharedItemList::Mirror(const TSharedItem& item) {
  if (!workingCopy_) return;
  workingCopy_->FindOrCreate(item).CopyFrom(item);
}

void TSharedItemList::Announce(std::unique_ptr<TSharedResultRecord> record, std::string_view virtualPath) {
  NotifyShared(TSharedNotice::Add, record->Record());
  if (section_ && SameLocation(ParentLocation(virtualPath), section_->ShownLocation())) {
    section_->AddRow(std::move(record));
  }
}

void TSharedItemList::RegisterFolder(const std::shared_ptr<TShareDirectory>& directory, bool mirror) {
  if (!directory) return;
  auto item = std::make_unique<TSharedItem>();
  item->IsFolder = true;
  item->Directory = directory;
  item->RealPath = directory->RealPath();
  item->Name = directory->Name();
  item->Extensions = directory->Extensions();
  item->IncludeSubdirectories = directory->IncludeSubdirectories();
  directory->SetSharedItem(item.get());
  TSharedItem& added = Append(std::move(item), directory);
  if (mirror) Mirror(added);
  auto record = std::make_unique<TSharedResultRecord>();
  record->Describe(*directory);
  Announce(std::move(record), directory->VirtualPath());
}

void TSharedItemList::RegisterFile(const std::shared_ptr<TShareFile>& file, bool mirror) {
  if (!file) return;
  auto item = std::make_unique<TSharedItem>();
  item->IsFolder = false;
  item->FileObject = file;
  item->RealPath = file->RealPath();
  item->Name = file->Name();
  file->SetSharedItem(item.get());
  TSharedItem& added = Append(std::move(item), file);
  if (mirror) Mirror(added);
  auto record = std::make_unique<TSharedResultRecord>();
  record->Describe(*file);
  Announce(std::move(record), file->VirtualPath());
}

void TSharedItemList::RemoveSharedItem(std::string_view name) {
  std::lock_guard lock(itemsLock_);
  const std::size_t index = IndexOf(name);
  if (index == kAbsent) return;
  const std::shared_ptr<TShareEntry> object = objects_[index];
  const TSharedItem* const item = items_[index].get();
  if (object) {
    object->SetSharedItem(nullptr);
    object->MarkRemoved();  // the removal notice runs now, on this thread
  }
  // Found again by identity: the notice may have run plugin code.
  const auto it = std::ranges::find_if(items_, [item](const auto& p) { return p.get() == item; });
  if (it == items_.end()) return;
  const auto at = it - items_.begin();
  objects_.erase(objects_.begin() + at);
  names_.erase(names_.begin() + at);
  items_.erase(it);
  if (changed_) changed_();
}

void TSharedItemList::ClearSharedItems() {
  std::lock_guard lock(itemsLock_);
  for (const auto& object : objects_) {
    if (object) object->SetSharedItem(nullptr);
  }
  items_.clear();
  objects_.clear();
  names_.clear();
}

void TSharedItemList::CreateInTree(TSharedItem& working) {
  if (working.IsFolder) {
    auto directory = shares_.AddDirectory(working.RealPath, working.Name, working.IncludeSubdirectories,
                                          working.Extensions);
    working.Directory = directory;
    working.FileObject = nullptr;
    RegisterFolder(directory, false);
  } else {
    auto file = shares_.AddFile(working.RealPath, working.Name);
    working.FileObject = file;
    working.Directory = nullptr;
    RegisterFile(file, false);
  }
  // The rights the user gave the new item in the dialog hold from now on.
  TSharedItem& live = *items_.back();
  live.AllowAll = working.AllowAll;
  live.AllAccess = working.AllAccess;
  live.AccessList = working.AccessList;
}

void TSharedItemList::UpdateFromWorking(std::size_t index, const TSharedItem& working) {
  TSharedItem& live = *items_[index];
  const std::shared_ptr<TShareDirectory> directory = live.Directory;
  const std::shared_ptr<TShareFile> file = live.FileObject;
  live.CopyFrom(working);
  live.Directory = directory;
  live.FileObject = file;
  if (live.IsFolder && directory) {
    directory->SetName(live.Name);
    directory->SetRealPath(live.RealPath);
    directory->SetExtensions(live.Extensions);
    directory->SetIncludeSubdirectories(live.IncludeSubdirectories);
  } else if (!live.IsFolder && file) {
    file->SetName(live.Name);
    file->SetRealPath(live.RealPath);
  }
  names_[index] = SharedItemKey(live.Name);
}

void TSharedItemList::ApplySharedItems(TSharedWorkingCopy& copy) {
  std::lock_guard lock(itemsLock_);
  for (const std::string& key : copy.Removed) RemoveSharedItem(key);
  copy.Removed.clear();
  for (TSharedWorkingCopy::TEntry& entry : copy.Entries) {
    TSharedItem& working = *entry.Item;
    std::size_t index = IndexOf(entry.Key);
    if (index != kAbsent && items_[index]->IsFolder != working.IsFolder) {
      // The user removed the item and added one of the other kind under its
      // name: the old tree object cannot serve the new kind.
      RemoveSharedItem(entry.Key);
      index = kAbsent;
    }
    if (index == kAbsent) {
      CreateInTree(working);
    } else {
      UpdateFromWorking(index, working);
    }
    entry.Key = SharedItemKey(working.Name);
  }
  if (changed_) changed_();
}

void TSharedItemList::ShareCompletedFolder(const TCompletedFolderShare& share) {
  const std::string& name = share.VirtualName;
  const std::shared_ptr<TShareDirectory> directory = shares_.FindDirectory("/" + name);
  if (!directory || !directory->IsTopLevel()) {
    auto made = shares_.AddDirectory(share.RealPath, name, true, kCompletedFolderMask);
    std::lock_guard lock(itemsLock_);
    const std::size_t index = IndexOf(name);
    if (index != kAbsent && items_[index]->IsFolder) {
      // The folder vanished and comes back: its item keeps the user's rights.
      TSharedItem& item = *items_[index];
      if (objects_[index]) objects_[index]->SetSharedItem(nullptr);
      item.Directory = made;
      item.RealPath = share.RealPath;
      item.Extensions = std::string(kCompletedFolderMask);
      item.IncludeSubdirectories = true;
      objects_[index] = made;
      made->SetSharedItem(&item);
      Mirror(item);
      auto record = std::make_unique<TSharedResultRecord>();
      record->Describe(*made);
      Announce(std::move(record), made->VirtualPath());
      return;
    }
    if (index != kAbsent) RemoveSharedItem(name);
    RegisterFolder(made, true);
    return;
  }
  directory->SetRealPath(share.RealPath);
  {
    std::lock_guard lock(itemsLock_);
    if (TSharedItem* item = FindSharedItem(name)) item->RealPath = share.RealPath;
  }
  if (workingCopy_) {
    if (TSharedItem* working = workingCopy_->Find(name)) working->RealPath = share.RealPath;
  }
}

void TSharedItemList::NotifyShared(TSharedNotice notice, const TSharedResult& record) const {
  if (!plugins_) return;
  const std::uint32_t handle = LowAddress(&record);
  switch (notice) {
    case TSharedNotice::Add:
      BroadcastEvent(*plugins_, EventNumber("OnSharedAdd"), handle);
      break;
    case TSharedNotice::Remove:
      BroadcastEvent(*plugins_, EventNumber("OnSharedRemove"), handle);
      break;
    case TSharedNotice::Select:
      BroadcastEvent(*plugins_, EventNumber("OnSharedSelect"), handle);
      break;
  }
}

// ---- the live tree's events ----------------------------------------------------

void TSharedItemList::OnAddDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>& directory) {
  RegisterFolder(directory, true);
}

void TSharedItemList::OnAddFile(TShareManager&, const std::shared_ptr<TShareFile>& file) {
  RegisterFile(file, true);
}

void TSharedItemList::OnRemoveDirectory(TShareManager&, const std::shared_ptr<TShareDirectory>& directory) {
  TSharedResultRecord record;
  record.Describe(*directory);
  NotifyShared(TSharedNotice::Remove, record.Record());
}

void TSharedItemList::OnRemoveFile(TShareManager&, const std::shared_ptr<TShareFile>& file) {
  TSharedResultRecord record;
  record.Describe(*file);
  NotifyShared(TSharedNotice::Remove, record.Record());
}

}  // namespace kp
