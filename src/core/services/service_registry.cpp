#include "core/services/service_registry.h"

#include <algorithm>

#include "core/config/shared_routines.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_holder.h"
#include "keplinor_records.h"
#include "core/services/service_records.h"

namespace kp {
namespace {

// A type's or a service's handle is its record's address, not the holder's.
template <typename Holder>
Holder* FindByRecord(const std::vector<Holder*>& holders, std::uint32_t handle) noexcept {
  return FindByHandle(holders, handle, [](const Holder* holder) { return holder->Handle(); });
}

std::size_t OnServiceSelect() {
  constexpr std::size_t event = EventNumber("OnServiceSelect");
  return event;
}

std::size_t OnServiceCheck() {
  constexpr std::size_t event = EventNumber("OnServiceCheck");
  return event;
}

std::size_t OnServiceWizardRemove() {
  constexpr std::size_t event = EventNumber("OnServiceWizardRemove");
  return event;
}

}  // namespace

TServiceRegistry::TServiceRegistry(std::string programFolder) : programFolder_(std::move(programFolder)) {}

TServiceRegistry::~TServiceRegistry() { Clear(); }

void TServiceRegistry::AddListener(IServiceListener* listener) {
  if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end()) {
    listeners_.push_back(listener);
  }
}

void TServiceRegistry::RemoveListener(IServiceListener* listener) noexcept { std::erase(listeners_, listener); }

std::string TServiceRegistry::ResolveIcon(std::string_view name, const TPluginHolder* plugin) const {
  return ResolveIconFile(name, plugin ? plugin->Folder() : std::string(), programFolder_);
}

TServiceTypeHolder* TServiceRegistry::FindType(std::uint32_t handle) const noexcept {
  return FindByRecord(types_, handle);
}

TServiceHolder* TServiceRegistry::FindService(std::uint32_t handle) const noexcept {
  return FindByRecord(services_, handle);
}

TServiceHolder* TServiceRegistry::FindServiceByGUID(const TGuid& guid) const noexcept {
  const auto found = std::find_if(services_.begin(), services_.end(),
                                  [&guid](const TServiceHolder* service) { return service->guid == guid; });
  return found == services_.end() ? nullptr : *found;
}

bool TServiceRegistry::AnyOnline() const noexcept {
  return std::any_of(services_.begin(), services_.end(), [](const TServiceHolder* s) { return s->online; });
}

std::uint32_t TServiceRegistry::AddType(TPluginHolder* caller, std::string_view description,
                                        std::string_view iconFile, const TGuid& guid) {
  types_.reserve(types_.size() + 1);
  auto type = std::make_unique<TServiceTypeHolder>();
  type->record = MakeLowBlock(sizeof(kp_service_type_record));
  type->plugin = caller;
  type->guid = guid;
  type->description = std::string(description);
  type->iconFileName = ResolveIcon(iconFile, caller);
  WriteServiceTypeRecord(*type);
  types_.push_back(type.release());
  return types_.back()->Handle();
}

void TServiceRegistry::EditType(std::uint32_t handle, std::string_view description) {
  TServiceTypeHolder* type = FindType(handle);
  if (!type) return;
  // The type's submenu keeps its caption; the new one shows wherever the type
  // is listed afresh.
  type->description = std::string(description);
  WriteServiceTypeRecord(*type);
}

void TServiceRegistry::RemoveType(TPluginHolder* caller, std::uint32_t handle) {
  TServiceTypeHolder* type = FindType(handle);
  if (!type) return;
  // Each removal tells the caller, who may add or remove services (or remove the
  // type itself) from inside that event: the type is looked up again every
  // round, and a plugin that keeps adding services cannot keep this loop alive.
  std::size_t rounds = type->services.size() + kRemovalRoundsToSpare;
  while (type && !type->services.empty()) {
    TServiceHolder* first = type->services.front();
    const bool withEvents = rounds > 0;
    DetachService(caller, *first, withEvents);
    if (withEvents) --rounds;
    type = FindType(handle);
  }
  if (!type) return;
  std::erase(types_, type);
  delete type;
}

std::uint32_t TServiceRegistry::AddService(TPluginHolder* caller, std::uint32_t typeHandle,
                                           std::string_view description, std::string_view onlineIcon,
                                           std::string_view offlineIcon, std::uint32_t data, const TGuid& guid) {
  TServiceTypeHolder* type = FindType(typeHandle);
  if (!type) return 0;

  services_.reserve(services_.size() + 1);
  type->services.reserve(type->services.size() + 1);
  auto owned = std::make_unique<TServiceHolder>();
  owned->record = MakeLowBlock(sizeof(kp_service_record));
  TServiceHolder* service = owned.get();
  service->type = type;
  service->plugin = caller;
  service->guid = guid;
  service->description = std::string(description);
  service->onlineIconFileName = ResolveIcon(onlineIcon, caller);
  service->offlineIconFileName = ResolveIcon(offlineIcon, caller);
  service->currentIconFileName = service->offlineIconFileName;  // every service starts offline
  service->data = data;
  type->services.push_back(owned.release());
  services_.push_back(service);
  const std::uint32_t handle = service->Handle();
  WriteServiceRecord(*service);

  if (view_) {
    view_->ServiceButtonAdded(*service);
    if (type->services.size() == 1) type->menuEntry = view_->AddTypeMenu(*type);
    service->menuEntry = view_->AddServiceMenuEntry(*service);
  }
  if (services_.size() == 1) MakeActive(*service);

  // The plugin may have removed the service from inside OnServiceSelect.
  for (std::size_t i = 0; i < listeners_.size(); ++i) {
    TServiceHolder* still = FindService(handle);
    if (still != service) break;
    listeners_[i]->ServiceAdded(*service);
  }
  return handle;
}

void TServiceRegistry::EditService(TPluginHolder* caller, std::uint32_t handle, std::string_view description,
                                   std::string_view onlineIcon, std::string_view offlineIcon,
                                   std::uint32_t data) {
  TServiceHolder* service = FindService(handle);
  if (!service) return;
  service->description = std::string(description);
  service->onlineIconFileName = ResolveIcon(onlineIcon, caller);
  service->offlineIconFileName = ResolveIcon(offlineIcon, caller);
  service->data = data;
  ApplyIcon(*service, service->online ? service->onlineIconFileName : service->offlineIconFileName);
}

void TServiceRegistry::RemoveService(TPluginHolder* caller, std::uint32_t handle) {
  if (TServiceHolder* service = FindService(handle)) DetachService(caller, *service, true);
}

void TServiceRegistry::DetachService(TPluginHolder* caller, TServiceHolder& service, bool withEvents) {
  const std::uint32_t handle = service.Handle();
  if (withEvents && caller) {
    SendEvent(*caller, OnServiceWizardRemove(), handle);
    // The plugin may have removed it itself meanwhile.
    if (FindService(handle) != &service) return;
  }

  TServiceTypeHolder* type = service.type;
  const bool wasActive = active_ == &service;
  const bool wasOnline = service.online;
  std::erase(services_, &service);
  std::erase(type->services, &service);
  if (wasActive) active_ = nullptr;

  if (view_) {
    view_->ServiceButtonRemoved(service);
    if (services_.empty()) {
      view_->ActiveServiceChanged(nullptr);
      view_->ShowMainPanel(0);
    }
  }
  for (IServiceListener* listener : std::vector<IServiceListener*>(listeners_)) listener->ServiceRemoving(service);
  if (view_) {
    view_->RemoveMenuEntry(service.menuEntry);
    if (type->services.empty()) {
      view_->RemoveMenuEntry(type->menuEntry);
      type->menuEntry = 0;
    }
  }
  delete &service;
  if (wasOnline && view_) view_->OnlineStateChanged(AnyOnline());

  // The first service inherits the active mark; its plugin hears of it last,
  // when the removed service is gone from every list.
  if (wasActive && !services_.empty()) {
    if (withEvents) {
      MakeActive(*services_.front());
    } else {
      active_ = services_.front();
      if (view_) view_->ActiveServiceChanged(active_);
    }
  }
}

void TServiceRegistry::ShowMainPanel(std::uint32_t window) {
  if (view_) view_->ShowMainPanel(window);
}

void TServiceRegistry::SetOnline(std::uint32_t handle, bool online) {
  TServiceHolder* service = FindService(handle);
  if (!service || service->online == online) return;
  service->online = online;
  ApplyIcon(*service, online ? service->onlineIconFileName : service->offlineIconFileName);
  if (view_) view_->OnlineStateChanged(AnyOnline());
}

void TServiceRegistry::SetCheck(TPluginHolder* caller, std::uint32_t handle, bool checked) {
  TServiceHolder* service = FindService(handle);
  if (!service) return;
  const bool changed = service->checked != checked;
  StoreCheck(*service, checked);
  if (changed && caller) SendEvent(*caller, OnServiceCheck(), handle, std::int32_t{checked ? 1 : 0});
}

void TServiceRegistry::UserChecks(std::uint32_t handle, bool checked) {
  TServiceHolder* service = FindService(handle);
  if (!service) return;
  StoreCheck(*service, checked);
  if (service->plugin) SendEvent(*service->plugin, OnServiceCheck(), handle, std::int32_t{checked ? 1 : 0});
}

// The record shows the new state before the plugin hears of it, whoever
// changed it.
void TServiceRegistry::StoreCheck(TServiceHolder& service, bool checked) {
  service.checked = checked;
  WriteServiceRecord(service);
  if (view_) view_->ServiceButtonChanged(service);
}

void TServiceRegistry::SetIcon(std::uint32_t handle, std::string_view iconFile) {
  TServiceHolder* service = FindService(handle);
  if (!service) return;
  ApplyIcon(*service, ResolveIcon(iconFile, service->plugin));
}

void TServiceRegistry::ApplyIcon(TServiceHolder& service, std::string_view iconFile) {
  service.currentIconFileName = std::string(iconFile);
  WriteServiceRecord(service);
  if (view_) view_->ServiceButtonChanged(service);
}

void TServiceRegistry::SetActive(std::uint32_t handle) {
  if (TServiceHolder* service = FindService(handle)) MakeActive(*service);
}

void TServiceRegistry::MakeActive(TServiceHolder& service) {
  WriteServiceRecord(service);
  if (active_ == &service) return;
  active_ = &service;
  if (view_) view_->ActiveServiceChanged(&service);
  if (service.plugin) SendEvent(*service.plugin, OnServiceSelect(), service.Handle());
}

void TServiceRegistry::Clear() noexcept {
  active_ = nullptr;
  services_.clear();
  for (TServiceTypeHolder* type : types_) {
    for (TServiceHolder* service : type->services) delete service;
    delete type;
  }
  types_.clear();
}

}  // namespace kp
