#include "core/transfers/transfer_list.h"

#include <sys/stat.h>

#include <algorithm>

#include "core/config/settings.h"
#include "core/config/text_conversions.h"
#include "core/config/wildcard.h"
#include "core/host/guid.h"
#include "core/host/plugin_events.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

// Uploads have no start event; an index past the table reaches no plugin.
constexpr std::size_t kNoEvent = api::kEventCount;

template <typename Limits>
TTransferLimits LimitsFrom(const Limits& s) {
  return TTransferLimits{s.Limit,          s.Maximum,        s.LimitPerUser,
                         s.MaximumPerUser, s.LimitBandwidth, s.MaximumBandwidth,
                         s.ClearComplete,  s.ClearFailed,    s.Timeout};
}

// What the Name cell shows: the file name after its last folder separator.
std::string LastPathPart(std::string_view fileName) {
  const std::size_t separator = fileName.find_last_of("/\\");
  return std::string(separator == std::string_view::npos ? fileName : fileName.substr(separator + 1));
}

}  // namespace

TTransferList::TTransferList(TransferDirection direction, TServiceRegistry& services, TPluginManager& plugins,
                             const TSettings& settings, std::string programFolder)
    : direction_(direction),
      events_(direction == TransferDirection::Download
                  ? TEvents{EventNumber("OnDownloadStart"), EventNumber("OnDownloadPause"),
                            EventNumber("OnDownloadResume"), EventNumber("OnDownloadRemove"),
                            EventNumber("OnDownloadSelect"), EventNumber("OnDownloadButton"),
                            EventNumber("OnDownloadMenu")}
                  : TEvents{kNoEvent, EventNumber("OnUploadPause"), EventNumber("OnUploadResume"),
                            EventNumber("OnUploadRemove"), EventNumber("OnUploadSelect"),
                            EventNumber("OnUploadButton"), EventNumber("OnUploadMenu")}),
      services_(services),
      plugins_(plugins),
      settings_(settings),
      programFolder_(std::move(programFolder)),
      clock_([] { return std::chrono::steady_clock::now(); }) {
  services_.AddListener(this);
}

TTransferList::~TTransferList() {
  services_.RemoveListener(this);
  view_ = nullptr;
  root_.reset();
}

TTransferLimits TTransferList::Limits() const {
  return direction_ == TransferDirection::Download ? LimitsFrom(settings_.Downloads)
                                                   : LimitsFrom(settings_.Uploads);
}

TTransferItem* TTransferList::FindItem(std::uint32_t handle) const noexcept {
  if (handle == 0) return nullptr;
  const auto found = itemsByHandle_.find(handle);
  return found == itemsByHandle_.end() ? nullptr : found->second;
}

TTransferGroup* TTransferList::FindPluginGroup(std::uint32_t handle) const noexcept {
  return FindByHandle(pluginGroups_, handle, [](const TTransferGroup* group) { return group->Handle(); });
}

bool TTransferList::IsListed(std::uint32_t handle, const TTransferItem* item) const noexcept {
  return item && FindItem(handle) == item;
}

TPluginHolder* TTransferList::Loaded(TPluginHolder* plugin) const noexcept { return plugins_.Loaded(plugin); }

void TTransferList::SendItemEvent(std::size_t event, const TTransferItem& item) const {
  if (TPluginHolder* plugin = Loaded(item.Service ? item.Service->plugin : nullptr)) {
    SendEvent(*plugin, event, item.Handle());
  }
}

std::string TTransferList::ResolveIcon(std::string_view name, const TPluginHolder* plugin) const {
  return ResolveIconFile(name, plugin ? std::string_view(plugin->Folder()) : std::string_view(),
                         programFolder_);
}

std::string TTransferList::UserKeyOf(std::string_view nick, const TServiceHolder& service) {
  return std::string(nick) + GuidToText(service.guid);
}

bool TTransferList::MustWait(std::string_view userKey) const {
  const TTransferLimits limits = Limits();
  if (limits.Limit && active_.Count() >= limits.Maximum) return true;
  return limits.LimitPerUser && active_.CountFor(userKey) >= limits.MaximumPerUser;
}

// ---- the tree -------------------------------------------------------------

TTransferGroup& TTransferList::AddGroup(TTransferGroup& parent, std::unique_ptr<TTransferGroup> group) {
  TTransferGroup& added = *group;
  if (view_) view_->NodeInserting(&parent, static_cast<std::int32_t>(parent.Children.size()));
  parent.Append(std::move(group));
  if (view_) view_->NodeInserted();
  return added;
}

TTransferGroup& TTransferList::ServiceGroup(TServiceHolder& service) {
  if (!root_) {
    if (view_) view_->NodeInserting(nullptr, 0);
    root_ = std::make_unique<TTransferGroup>(TransferNodeKind::Root);
    if (view_) view_->NodeInserted();
  }
  for (TTransferGroup* group : serviceGroups_) {
    if (group->Service == &service) return *group;
  }
  auto group = std::make_unique<TTransferGroup>(TransferNodeKind::ServiceGroup);
  group->ServiceType = service.type;
  group->Service = &service;
  TTransferGroup& added = AddGroup(*root_, std::move(group));
  serviceGroups_.push_back(&added);
  return added;
}

TTransferItem& TTransferList::AddItem(TTransferGroup& parent, TServiceHolder& service, std::string_view nick,
                                      std::string_view fileName, bool mustWait) {
  auto item = std::make_unique<TTransferItem>(direction_, Now());
  item->Service = &service;
  item->UserKey = UserKeyOf(nick, service);
  item->Nick = std::string(nick);
  item->SetFileName(std::string(fileName));
  item->DisplayName = LastPathPart(fileName);
  item->State = mustWait ? TransferState::Queued : TransferState::Starting;
  TTransferItem& added = *item;

  if (view_) view_->NodeInserting(&parent, static_cast<std::int32_t>(parent.Children.size()));
  parent.Append(std::move(item));
  if (view_) {
    view_->NodeInserted();
    view_->ExpandRoot();
  }
  if (mustWait) {
    queue_.Add(added.UserKey, &added);
  } else {
    active_.Add(added.UserKey, &added);
  }
  items_.push_back(&added);
  itemsByHandle_.emplace(added.Handle(), &added);
  return added;
}

void TTransferList::DestroyNode(TTransferBase& node) {
  TTransferGroup* parent = node.Parent;
  if (!parent) return;
  if (view_) view_->NodeRemoving(node);
  std::unique_ptr<TTransferBase> taken = parent->Detach(node);
  if (view_) view_->NodeRemoved();
  taken.reset();
}

void TTransferList::DestroyRoot() {
  if (!root_) return;
  if (view_) view_->NodeRemoving(*root_);
  serviceGroups_.clear();
  pluginGroups_.clear();
  root_.reset();
  if (view_) view_->NodeRemoved();
}

void TTransferList::DropEmptyGroups(TTransferGroup* serviceGroup) {
  // One pass in order of creation: a group emptied only by a later group of
  // the same pass stays until the next removal.
  for (std::size_t i = 0; i < pluginGroups_.size();) {
    TTransferGroup* group = pluginGroups_[i];
    if (group->Children.empty()) {
      pluginGroups_.erase(pluginGroups_.begin() + static_cast<std::ptrdiff_t>(i));
      DestroyNode(*group);
    } else {
      ++i;
    }
  }
  if (serviceGroup && serviceGroup->Children.empty()) {
    std::erase(serviceGroups_, serviceGroup);
    DestroyNode(*serviceGroup);
  }
}

// ---- refreshing -----------------------------------------------------------

void TTransferList::RefreshRow(TTransferItem& item) {
  // The state's cells replace a plugin's custom text and icon.
  item.CustomStatus.clear();
  item.IconFile.clear();
  item.CustomEpoch = 0;
  if (view_) view_->RowChanged(item);
}

void TTransferList::RefreshGroupRow(TTransferGroup& group) {
  if (view_) view_->RowChanged(group);
}

void TTransferList::RefreshAllRows() {
  // One step, whatever the number of rows: custom texts older than this
  // epoch are no longer shown, and the face repaints once.
  ++refreshEpoch_;
  if (view_) view_->AllRowsChanged();
}

void TTransferList::RefreshCommands() {
  if (view_) view_->CommandsChanged();
}

// ---- admission ------------------------------------------------------------

void TTransferList::PromoteQueued() {
  RefreshAllRows();
  const TTransferLimits limits = Limits();
  if (limits.Limit && active_.Count() >= limits.Maximum) return;
  TTransferItem* head = queue_.First();
  if (!head) return;
  // The head of the queue blocks everything behind it, whoever's it is.
  if (limits.LimitPerUser && active_.CountFor(head->UserKey) >= limits.MaximumPerUser) return;
  StartTransfer(*head);
  RefreshCommands();
}

void TTransferList::StartTransfer(TTransferItem& first) {
  // Admitting one may let further queued ones in; each is admitted before
  // the start events go out, so the plugin hears the last admitted first.
  struct Admitted {
    TTransferItem* item;
    std::uint32_t handle;
  };
  std::vector<Admitted> admitted{{&first, first.Handle()}};
  TTransferItem* next = &first;
  const TTransferLimits limits = Limits();
  while (next) {
    queue_.Remove(next);
    active_.Add(next->UserKey, next);
    next->State = TransferState::Starting;
    RefreshAllRows();
    next = nullptr;
    if (limits.Limit && active_.Count() >= limits.Maximum) break;
    TTransferItem* head = queue_.First();
    if (!head) break;
    if (limits.LimitPerUser && active_.CountFor(head->UserKey) >= limits.MaximumPerUser) break;
    admitted.push_back({head, head->Handle()});
    next = head;
  }
  for (auto it = admitted.rbegin(); it != admitted.rend(); ++it) {
    TTransferItem* item = it->item;
    if (!IsListed(it->handle, item)) continue;  // an earlier start event removed it
    RefreshRow(*item);
    SendItemEvent(events_.start, *item);
    RefreshCommands();
  }
}

void TTransferList::PauseTransfer(TTransferItem& item) {
  const std::uint32_t handle = item.Handle();
  SendItemEvent(events_.pause, item);
  if (!IsListed(handle, &item)) return;
  item.State = TransferState::Paused;
  item.ProgressSeen = false;
  RefreshRow(item);
  RefreshCommands();
}

void TTransferList::ResumeTransfer(TTransferItem& item) {
  const std::uint32_t handle = item.Handle();
  SendItemEvent(events_.resume, item);
  if (!IsListed(handle, &item)) return;
  item.State = TransferState::Starting;
  RefreshRow(item);
  RefreshCommands();
}

void TTransferList::TakeOutOfTables(TTransferItem& item) {
  queue_.Remove(&item);
  active_.Remove(&item);
}

void TTransferList::RemoveTransfer(TTransferItem& item) {
  const std::uint32_t handle = item.Handle();
  TakeOutOfTables(item);
  if (!IsFinished(item.State)) {
    SendItemEvent(events_.remove, item);
    if (!IsListed(handle, &item)) return;  // the plugin's answer removed it already
    TakeOutOfTables(item);                 // and it may have been started again meanwhile
  }
  TTransferGroup* serviceGroup = nullptr;
  for (TTransferGroup* group : serviceGroups_) {
    if (group->Service == item.Service) serviceGroup = group;
  }
  itemsByHandle_.erase(item.Handle());
  std::erase(items_, &item);
  DestroyNode(item);
  DropEmptyGroups(serviceGroup);
  if (items_.empty()) DestroyRoot();
  PromoteQueued();
}

void TTransferList::ClearFinished(TTransferItem& item) {
  if (IsFinished(item.State)) RemoveTransfer(item);
}

bool TTransferList::MayOpen(const TTransferItem& item) const {
  const auto& patterns = settings_.SharedItems.ExecuteExtensions.Patterns();
  return std::any_of(patterns.begin(), patterns.end(),
                     [&item](const std::string& pattern) { return MatchWildcard(pattern, item.FileName()); });
}

void TTransferList::OpenTransferFile(TTransferItem& item) {
  if (!MayOpen(item)) return;
  // A name in the shared namespace opens the real file it stands for; any
  // other name (what DownloadFinished reports is a real path) as it is.
  if (RealPathOf) {
    const std::string real = RealPathOf(item.FileName());
    struct stat status {};
    if (!real.empty() && ::stat(real.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
      ShellOpen(real);
      return;
    }
  }
  ShellOpen(item.FileName());
}

// ---- commands on a selection ----------------------------------------------

void TTransferList::ApplyCommand(std::span<TTransferBase* const> selection, std::int32_t command,
                                 TPluginHolder* owner, bool fromMenu) {
  // Each step may remove transfers and groups (and a plugin event anything):
  // the selection is held by handles and looked up again before each step.
  struct Selected {
    std::uint32_t handle;
    bool group;
  };
  std::vector<Selected> selected;
  selected.reserve(selection.size());
  for (const TTransferBase* node : selection) {
    if (node) selected.push_back({node->Handle(), !node->IsItem()});
  }
  auto findGroup = [this](std::uint32_t handle) -> TTransferGroup* {
    if (root_ && root_->Handle() == handle) return root_.get();
    if (TTransferGroup* group =
            FindByHandle(serviceGroups_, handle, [](const TTransferGroup* g) { return g->Handle(); })) {
      return group;
    }
    return FindPluginGroup(handle);
  };
  auto applyTo = [&](std::uint32_t handle) {
    TTransferItem* item = FindItem(handle);
    if (!item) return;
    if (owner) {
      if (TPluginHolder* plugin = Loaded(owner)) {
        SendEvent(*plugin, fromMenu ? events_.menu : events_.button, command, handle);
      }
      return;
    }
    // A command reaches every transfer of a selected group: each acts only on
    // the transfers it is offered for, so a group's "start" cannot restart
    // what already runs or is complete.
    switch (command) {
      case kOpenTransferFile:
        OpenTransferFile(*item);
        break;
      case kRemoveTransfer:
        RemoveTransfer(*item);
        break;
      case kPauseTransfer:
        if (item->State == TransferState::Transferring && item->SupportPause) PauseTransfer(*item);
        break;
      case kResumeTransfer:
        if (item->State == TransferState::Paused ||
            (direction_ == TransferDirection::Download && item->State == TransferState::Failed &&
             item->SupportResume)) {
          ResumeTransfer(*item);
        }
        break;
      case kStartTransfer:
        if (item->State == TransferState::Queued) StartTransfer(*item);
        break;
      case kClearFinished:
        ClearFinished(*item);
        break;
      default:
        break;
    }
  };

  for (const Selected& node : selected) {
    if (!node.group) {
      applyTo(node.handle);
      continue;
    }
    TTransferGroup* group = findGroup(node.handle);
    if (!group) continue;
    if (command == kRemoveTransfer && direction_ == TransferDirection::Download && view_ &&
        !view_->ConfirmGroupRemoval()) {
      break;
    }
    group = findGroup(node.handle);  // the question ran the event loop
    if (!group) continue;
    std::vector<TTransferItem*> items;
    group->CollectItems(items);
    std::vector<std::uint32_t> handles;
    handles.reserve(items.size());
    for (const TTransferItem* item : items) handles.push_back(item->Handle());
    for (std::uint32_t handle : handles) applyTo(handle);
  }
  RefreshCommands();
}

void TTransferList::SelectTransfer(TTransferItem& item) {
  if (IsListed(item.Handle(), &item)) SendItemEvent(events_.select, item);
}

// ---- the plugins' reports -------------------------------------------------

std::int32_t TTransferList::Progress(std::uint32_t handle, std::int64_t start, std::int64_t end,
                                     std::int64_t position) {
  TTransferItem* item = FindItem(handle);
  if (!item) return 0;
  if (item->State == TransferState::Queued) {
    StartTransfer(*item);
    item = FindItem(handle);
    if (!item) return 0;
  }
  // Reports are posted: one already on its way when the user paused must not
  // undo the pause. It still moves the numbers.
  const bool paused = item->State == TransferState::Paused;
  if (!paused) item->State = TransferState::Transferring;
  item->Position = position;
  item->StartPosition = start;
  item->EndPosition = end < start ? start : end;
  RefreshRow(*item);
  if (!paused && !item->ProgressSeen) {
    item->ProgressSeen = true;
    RefreshCommands();
  }
  item->FillRecord(Now());
  return 0;
}

std::int32_t TTransferList::Complete(std::uint32_t handle) {
  TTransferItem* item = FindItem(handle);
  if (!item || item->State == TransferState::Complete) return 0;
  item->State = TransferState::Complete;
  TakeOutOfTables(*item);
  item->StartPosition = item->EndPosition = item->Position = 0;
  if (Limits().ClearComplete) {
    RemoveTransfer(*item);
  } else {
    RefreshRow(*item);
    RefreshCommands();
  }
  PromoteQueued();
  return 0;
}

void TTransferList::Error(std::uint32_t handle, std::string_view description) {
  TTransferItem* item = FindItem(handle);
  if (!item) return;
  item->State = TransferState::Failed;
  item->SetErrorText(std::string(description));
  TakeOutOfTables(*item);
  item->StartPosition = item->EndPosition = item->Position = 0;
  if (Limits().ClearFailed) {
    RemoveTransfer(*item);
  } else {
    RefreshRow(*item);
    RefreshCommands();
  }
  PromoteQueued();
}

std::int32_t TTransferList::GetStatus(std::uint32_t handle) const noexcept {
  const TTransferItem* item = FindItem(handle);
  if (!item) return -2;
  return item->State == TransferState::Queued ? -1 : 0;
}

std::int32_t TTransferList::GetQueueStatus(std::uint32_t handle, std::int32_t statusType) const noexcept {
  const TTransferItem* item = FindItem(handle);
  if (!item) return 0;
  return statusType == -1 ? queue_.IndexOf(item) : queue_.Count();
}

std::int32_t TTransferList::SuggestedBandwidth(std::uint32_t handle) const {
  const TTransferLimits limits = Limits();
  if (!limits.LimitBandwidth) return 0;
  const TTransferItem* item = FindItem(handle);
  if (!item) return limits.MaximumBandwidth;
  const TimeStamp now = Now();
  const std::int64_t others =
      static_cast<std::int64_t>(root_ ? root_->GetSpeed(now) : 0) - item->GetSpeed(now);
  return ClampToInt32(static_cast<std::int64_t>(limits.MaximumBandwidth) - others);
}

std::int32_t TTransferList::SuggestedTimeout() const { return Limits().Timeout; }

void TTransferList::AddPluginButton(TPluginHolder* caller, std::int32_t command, std::string_view description,
                                    std::string_view iconFile) {
  if (view_) view_->AddPluginButton(caller, command, description, ResolveIcon(iconFile, caller));
}

std::uint32_t TTransferList::AddPluginMenuEntry(TPluginHolder* caller, std::int32_t command,
                                                std::uint32_t parentMenu, std::string_view description,
                                                std::string_view iconFile) {
  if (!view_) return 0;
  return view_->AddPluginMenuEntry(caller, command, parentMenu, description, ResolveIcon(iconFile, caller));
}

// ---- time and the end -----------------------------------------------------

void TTransferList::Tick() {
  if (++ticks_ < kTicksPerSample) return;
  ticks_ = 0;
  SampleSpeeds();
}

void TTransferList::SampleSpeeds() {
  if (!root_) return;
  const TimeStamp now = Now();
  root_->SampleSpeed(now);
  for (TTransferGroup* group : pluginGroups_) group->SampleSpeed(now);
  for (TTransferGroup* group : serviceGroups_) group->SampleSpeed(now);
  if (view_) view_->SpeedsSampled();
}

void TTransferList::RemoveAll() {
  // Oldest first, each with its events. A plugin that adds transfers while
  // hearing of removals gets them removed in a second round; whatever it adds
  // even then goes without events, so the end cannot be held up.
  for (int round = 0; round < 2 && !items_.empty(); ++round) {
    std::vector<std::uint32_t> handles;
    handles.reserve(items_.size());
    for (const TTransferItem* item : items_) handles.push_back(item->Handle());
    for (std::uint32_t handle : handles) {
      if (TTransferItem* item = FindItem(handle)) RemoveTransfer(*item);
    }
  }
  queue_.Clear();
  active_.Clear();
  items_.clear();
  itemsByHandle_.clear();
  DestroyRoot();
}

void TTransferList::ServiceAdded(TServiceHolder&) {}

void TTransferList::ServiceRemoving(TServiceHolder& service) {
  // A transfer cannot outlive its service (its record points to the
  // service's): the service's transfers go first, with their events, then
  // any group of the service that is left.
  std::vector<std::uint32_t> handles;
  for (const TTransferItem* item : items_) {
    if (item->Service == &service) handles.push_back(item->Handle());
  }
  for (std::uint32_t handle : handles) {
    if (TTransferItem* item = FindItem(handle)) RemoveTransfer(*item);
  }
  // Whatever of the service remains (empty groups, or transfers its plugin
  // added while hearing of the removals) goes without events.
  for (std::size_t i = items_.size(); i-- > 0;) {
    TTransferItem* item = items_[i];
    if (item->Service != &service) continue;
    TakeOutOfTables(*item);
    itemsByHandle_.erase(item->Handle());
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    DestroyNode(*item);
  }
  for (std::size_t i = pluginGroups_.size(); i-- > 0;) {
    TTransferGroup* group = pluginGroups_[i];
    if (group->Service != &service) continue;
    pluginGroups_.erase(pluginGroups_.begin() + static_cast<std::ptrdiff_t>(i));
    // A nested group may already have gone with its parent.
    DestroyNode(*group);
  }
  for (std::size_t i = serviceGroups_.size(); i-- > 0;) {
    if (serviceGroups_[i]->Service != &service) continue;
    TTransferGroup* group = serviceGroups_[i];
    serviceGroups_.erase(serviceGroups_.begin() + static_cast<std::ptrdiff_t>(i));
    DestroyNode(*group);
  }
  if (items_.empty()) DestroyRoot();
}

}  // namespace kp
