#pragma once
// One transfer list, downloads or uploads: the tree, the registry of items by
// handle, the core's queue and the set of transfers holding a slot, and the
// rules that move a transfer between them. The user's operations and the
// plugins' reports both land here; what the plugins hear of them goes to the
// plugin of the transfer's service.
//
// Main thread only. Plugins are called synchronously and may call back from
// inside their events (remove the transfer, add commands); every operation
// looks its item up again after an event before it goes on.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/services/service_registry.h"
#include "core/transfers/resource_manager.h"
#include "core/transfers/transfer_list_view.h"
#include "core/transfers/transfer_tree.h"

namespace kp {

class TPluginManager;
struct TSettings;

// The user's operations on a transfer, as numbered on the lists' commands.
enum TransferCommand : std::int32_t {
  kOpenTransferFile = 100,
  kRemoveTransfer = 101,
  kPauseTransfer = 102,
  kResumeTransfer = 103,
  kStartTransfer = 104,
  kClearFinished = 105,
};

// The settings that govern one list, read afresh at every use so a change in
// the settings dialog applies at once.
struct TTransferLimits {
  bool Limit = false;
  std::int32_t Maximum = 0;
  bool LimitPerUser = false;
  std::int32_t MaximumPerUser = 0;
  bool LimitBandwidth = false;
  std::int32_t MaximumBandwidth = 0;
  bool ClearComplete = false;
  bool ClearFailed = false;
  std::int32_t Timeout = 0;
};

class TTransferList : private IServiceListener {
 public:
  using Clock = std::function<TimeStamp()>;
  // Ticks of the process timer between two speed samples.
  static constexpr int kTicksPerSample = 100;

  TTransferList(TransferDirection direction, TServiceRegistry& services, TPluginManager& plugins,
                const TSettings& settings, std::string programFolder);
  TTransferList(const TTransferList&) = delete;
  TTransferList& operator=(const TTransferList&) = delete;
  // Destroys what is left without telling anyone (see RemoveAll).
  ~TTransferList() override;

  void SetView(ITransferListView* view) noexcept { view_ = view; }
  // Tests drive time; the default is the steady clock.
  void SetClock(Clock clock) { clock_ = std::move(clock); }
  [[nodiscard]] TimeStamp Now() const { return clock_(); }

  [[nodiscard]] TransferDirection Direction() const noexcept { return direction_; }
  [[nodiscard]] TTransferLimits Limits() const;
  [[nodiscard]] const TSettings& Settings() const noexcept { return settings_; }

  // The item or the plugin group whose record is at the handle, or null.
  [[nodiscard]] TTransferItem* FindItem(std::uint32_t handle) const noexcept;
  [[nodiscard]] TTransferGroup* FindPluginGroup(std::uint32_t handle) const noexcept;
  // In order of creation.
  [[nodiscard]] const std::vector<TTransferItem*>& Items() const noexcept { return items_; }
  [[nodiscard]] const std::vector<TTransferGroup*>& PluginGroups() const noexcept { return pluginGroups_; }
  [[nodiscard]] const std::vector<TTransferGroup*>& ServiceGroups() const noexcept { return serviceGroups_; }
  // The top row; null while the list is empty.
  [[nodiscard]] TTransferGroup* Root() const noexcept { return root_.get(); }
  [[nodiscard]] const TResourceManager<TTransferItem>& Queue() const noexcept { return queue_; }
  [[nodiscard]] const TResourceManager<TTransferItem>& Active() const noexcept { return active_; }

  // The user's operations (the lists' core commands).
  void StartTransfer(TTransferItem& item);
  void PauseTransfer(TTransferItem& item);
  void ResumeTransfer(TTransferItem& item);
  void RemoveTransfer(TTransferItem& item);
  void ClearFinished(TTransferItem& item);
  void OpenTransferFile(TTransferItem& item);
  // Whether the file may be opened from the list: its name matches a pattern
  // of the files the user lets the program open.
  [[nodiscard]] bool MayOpen(const TTransferItem& item) const;
  // Turns a file name in the shared namespace into its real path (empty when
  // it names nothing shared); none in a list without sharing.
  std::function<std::string(std::string_view fileName)> RealPathOf;

  // A command of the list's bar or menu, on the selected rows in the order
  // they were selected: a group stands for every transfer of its subtree. A
  // plugin's command goes to that plugin once per transfer; the core's run
  // the operation above. Removing a group's downloads asks first.
  void ApplyCommand(std::span<TTransferBase* const> selection, std::int32_t command, TPluginHolder* owner,
                    bool fromMenu);
  // The single selected transfer while the commands are rebuilt: its plugin
  // may add commands for it.
  void SelectTransfer(TTransferItem& item);

  // Shutdown: every transfer is removed, oldest first, with its events.
  void RemoveAll();
  // One tick of the process timer.
  void Tick();
  // The settings' limits may have changed: queued transfers that they now
  // admit start at once rather than at the next transfer's end.
  void LimitsChanged() { PromoteQueued(); }

  // The plugins' reports (bodies of the API functions); unknown handles are
  // ignored.
  std::int32_t Progress(std::uint32_t handle, std::int64_t start, std::int64_t end, std::int64_t position);
  std::int32_t Complete(std::uint32_t handle);
  void Error(std::uint32_t handle, std::string_view description);
  // -2 unknown handle, -1 waiting in the core's queue, 0 otherwise.
  [[nodiscard]] std::int32_t GetStatus(std::uint32_t handle) const noexcept;
  // statusType -1: the place in the core's queue (0-based, -1 when not
  // queued); any other: the queue's length. 0 for an unknown handle.
  [[nodiscard]] std::int32_t GetQueueStatus(std::uint32_t handle, std::int32_t statusType) const noexcept;
  // What the bandwidth limit leaves after every other transfer's speed; the
  // limit itself for an unknown handle, 0 without a limit. May be negative.
  [[nodiscard]] std::int32_t SuggestedBandwidth(std::uint32_t handle) const;
  [[nodiscard]] std::int32_t SuggestedTimeout() const;
  // The plugin's own commands for the selected transfer.
  void AddPluginButton(TPluginHolder* caller, std::int32_t command, std::string_view description,
                       std::string_view iconFile);
  std::uint32_t AddPluginMenuEntry(TPluginHolder* caller, std::int32_t command, std::uint32_t parentMenu,
                                   std::string_view description, std::string_view iconFile);

  // The list's refresh generation: a row's custom info shows while its
  // CustomEpoch equals this.
  [[nodiscard]] std::uint64_t RefreshEpoch() const noexcept { return refreshEpoch_; }

 protected:
  // The service's group under the root, both made when missing.
  TTransferGroup& ServiceGroup(TServiceHolder& service);
  // Whether a new transfer of the user must wait for a slot.
  [[nodiscard]] bool MustWait(std::string_view userKey) const;
  // A new item under the parent, in the queue or holding a slot, registered.
  TTransferItem& AddItem(TTransferGroup& parent, TServiceHolder& service, std::string_view nick,
                         std::string_view fileName, bool mustWait);
  // A group under the parent (null: under the root).
  TTransferGroup& AddGroup(TTransferGroup& parent, std::unique_ptr<TTransferGroup> group);
  [[nodiscard]] static std::string UserKeyOf(std::string_view nick, const TServiceHolder& service);

  void RefreshRow(TTransferItem& item);
  void RefreshGroupRow(TTransferGroup& group);
  void RefreshAllRows();
  void RefreshCommands();
  void PromoteQueued();
  [[nodiscard]] std::string ResolveIcon(std::string_view name, const TPluginHolder* plugin) const;
  // Whether the item at the handle is still this one: taken before a plugin
  // event, checked after it, since the event may have destroyed the item.
  [[nodiscard]] bool IsListed(std::uint32_t handle, const TTransferItem* item) const noexcept;
  [[nodiscard]] TPluginHolder* Loaded(TPluginHolder* plugin) const noexcept;
  // The event to the plugin of the item's service.
  void SendItemEvent(std::size_t event, const TTransferItem& item) const;
  [[nodiscard]] ITransferListView* View() const noexcept { return view_; }
  [[nodiscard]] TServiceRegistry& Services() const noexcept { return services_; }
  [[nodiscard]] TPluginManager& Plugins() const noexcept { return plugins_; }
  // Plugin groups (downloads).
  void RegisterPluginGroup(TTransferGroup& group) { pluginGroups_.push_back(&group); }

 private:
  struct TEvents {
    std::size_t start, pause, resume, remove, select, button, menu;
  };

  void ServiceAdded(TServiceHolder& service) override;
  void ServiceRemoving(TServiceHolder& service) override;

  void TakeOutOfTables(TTransferItem& item);
  void DestroyNode(TTransferBase& node);
  void DropEmptyGroups(TTransferGroup* serviceGroup);
  void DestroyRoot();
  void SampleSpeeds();

  TransferDirection direction_;
  TEvents events_;
  TServiceRegistry& services_;
  TPluginManager& plugins_;
  const TSettings& settings_;
  std::string programFolder_;
  ITransferListView* view_ = nullptr;
  Clock clock_;
  std::unique_ptr<TTransferGroup> root_;
  std::vector<TTransferItem*> items_;
  std::unordered_map<std::uint32_t, TTransferItem*> itemsByHandle_;
  std::vector<TTransferGroup*> pluginGroups_;
  std::vector<TTransferGroup*> serviceGroups_;
  TResourceManager<TTransferItem> queue_;
  TResourceManager<TTransferItem> active_;
  int ticks_ = 0;
  std::uint64_t refreshEpoch_ = 1;
};

}  // namespace kp
