#pragma once
// The service types and services that plugins register: a type is a kind of
// network account or connection a plugin can make, a service one configured
// instance of it. The registry owns both, keeps the records plugins read at their
// handles, decides which service is the active one, and tells the owning plugins
// when a service is selected, checked or about to be removed.
//
// Nothing here is stored: plugins register their types and services anew at
// every start. Main thread only. Plugins are called synchronously and may call
// back into the registry from inside those events; every operation looks its
// objects up again after an event before it goes on.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/host/guid.h"
#include "core/platform/low_memory_heap.h"

namespace kp {

class TPluginHolder;
struct TServiceHolder;

struct TServiceTypeHolder {
  TPluginHolder* plugin = nullptr;  // the plugin that registered the type
  TGuid guid;
  std::string description;
  std::string iconFileName;  // resolved beside the registering plugin
  // The type's submenu under the services list heading, while it has services.
  std::uint32_t menuEntry = 0;
  // In order of creation; owned by the registry.
  std::vector<TServiceHolder*> services;
  LowBlock record;  // its address is the type's handle

  [[nodiscard]] std::uint32_t Handle() const noexcept { return LowAddress(record.get()); }
};

struct TServiceHolder {
  TServiceTypeHolder* type = nullptr;
  TPluginHolder* plugin = nullptr;  // the plugin that added it; its events are called for it
  TGuid guid;                       // ties stored data (accounts, access rights) to it across runs
  std::string description;
  std::string onlineIconFileName;
  std::string offlineIconFileName;
  std::string currentIconFileName;
  bool online = false;
  bool checked = false;
  std::uint32_t data = 0;  // the plugin's own value, never interpreted
  std::uint32_t menuEntry = 0;
  LowBlock record;  // its address is the service's handle

  [[nodiscard]] std::uint32_t Handle() const noexcept { return LowAddress(record.get()); }
};

// What the desktop face shows of the registry: the services navigator, the
// services list menu, the Services section's plugin panel and the main window's
// online state. Called on the main thread once the registry's lists are
// consistent. A registry without a view (a headless run) keeps its state all
// the same.
class IServicesView {
 public:
  virtual ~IServicesView() = default;

  // The navigator's buttons, one per service in service order.
  virtual void ServiceButtonAdded(const TServiceHolder& service) = 0;
  // Caption, image or check box of the service's button (and its menu entry) changed.
  virtual void ServiceButtonChanged(const TServiceHolder& service) = 0;
  virtual void ServiceButtonRemoved(const TServiceHolder& service) = 0;
  // The active mark moved (null: no service is left).
  virtual void ActiveServiceChanged(const TServiceHolder* service) = 0;

  // The type's submenu under the services list heading; its handle, or 0 when
  // there is no heading to put it under.
  virtual std::uint32_t AddTypeMenu(const TServiceTypeHolder& type) = 0;
  // The service's entry in its type's submenu (service.type->menuEntry).
  virtual std::uint32_t AddServiceMenuEntry(const TServiceHolder& service) = 0;
  // A submenu or an entry handed out by the two above; 0 does nothing.
  virtual void RemoveMenuEntry(std::uint32_t entry) = 0;

  // Shows a plugin's window beside the navigator, replacing (hiding and closing)
  // the one shown before; 0 empties the panel.
  virtual void ShowMainPanel(std::uint32_t window) = 0;
  // Whether at least one service is online now.
  virtual void OnlineStateChanged(bool anyOnline) = 0;
};

// The other parts of the program that keep something per service (the search
// request's list of sources, the user accounts) hear of every service that comes
// and goes. Listeners are told in the order they were added.
class IServiceListener {
 public:
  virtual ~IServiceListener() = default;
  // The service is complete and registered; the last step of adding it.
  virtual void ServiceAdded(TServiceHolder& service) = 0;
  // The service is out of the lists and about to be destroyed.
  virtual void ServiceRemoving(TServiceHolder& service) = 0;
};

class TServiceRegistry {
 public:
  // Icon names are resolved beside the plugin, then in the program folder's
  // "Icons/", then in the program folder.
  explicit TServiceRegistry(std::string programFolder);
  TServiceRegistry(const TServiceRegistry&) = delete;
  TServiceRegistry& operator=(const TServiceRegistry&) = delete;
  // Destroys every type and service without telling anyone (see Clear).
  ~TServiceRegistry();

  void SetView(IServicesView* view) noexcept { view_ = view; }
  void AddListener(IServiceListener* listener);
  void RemoveListener(IServiceListener* listener) noexcept;

  // The operations behind the Service functions of the plugin API. "caller" is
  // the plugin on whose behalf the call runs (null for the core's own calls).
  // Unknown handles do nothing and give 0.
  std::uint32_t AddType(TPluginHolder* caller, std::string_view description, std::string_view iconFile,
                        const TGuid& guid);
  void EditType(std::uint32_t type, std::string_view description);
  void RemoveType(TPluginHolder* caller, std::uint32_t type);
  std::uint32_t AddService(TPluginHolder* caller, std::uint32_t type, std::string_view description,
                           std::string_view onlineIcon, std::string_view offlineIcon, std::uint32_t data,
                           const TGuid& guid);
  void EditService(TPluginHolder* caller, std::uint32_t service, std::string_view description,
                   std::string_view onlineIcon, std::string_view offlineIcon, std::uint32_t data);
  // Also what the user's deletion does, on behalf of the service's own plugin.
  void RemoveService(TPluginHolder* caller, std::uint32_t service);
  void ShowMainPanel(std::uint32_t window);
  void SetOnline(std::uint32_t service, bool online);
  void SetCheck(TPluginHolder* caller, std::uint32_t service, bool checked);
  void SetIcon(std::uint32_t service, std::string_view iconFile);
  // Makes the service the active one; its plugin hears OnServiceSelect when it
  // was not. Also what the user's click on its navigator button does.
  void SetActive(std::uint32_t service);

  // The user ticked or cleared the service's check box: the record is rewritten,
  // then the owning plugin hears OnServiceCheck.
  void UserChecks(std::uint32_t service, bool checked);

  // Destroys every type and its services at the end of the program. Plugins and
  // listeners are not told; the view's buttons and menus go with the window.
  void Clear() noexcept;

  [[nodiscard]] TServiceTypeHolder* FindType(std::uint32_t handle) const noexcept;
  [[nodiscard]] TServiceHolder* FindService(std::uint32_t handle) const noexcept;
  // The first service whose GUID equals the given one, or null.
  [[nodiscard]] TServiceHolder* FindServiceByGUID(const TGuid& guid) const noexcept;
  // In order of registration.
  [[nodiscard]] const std::vector<TServiceTypeHolder*>& Types() const noexcept { return types_; }
  // Every service of every type, in order of creation.
  [[nodiscard]] const std::vector<TServiceHolder*>& Services() const noexcept { return services_; }
  // The service whose navigator button carries the active mark; null when none.
  [[nodiscard]] TServiceHolder* ActiveService() const noexcept { return active_; }
  [[nodiscard]] bool AnyOnline() const noexcept;

 private:
  void ApplyIcon(TServiceHolder& service, std::string_view iconFile);
  // Sets the check box state, rewrites the record and tells the view.
  void StoreCheck(TServiceHolder& service, bool checked);
  void MakeActive(TServiceHolder& service);
  // The steps of removing a service; without events nobody is called, which ends
  // a type's removal that a plugin keeps feeding with new services.
  void DetachService(TPluginHolder* caller, TServiceHolder& service, bool withEvents);
  static constexpr std::size_t kRemovalRoundsToSpare = 64;
  [[nodiscard]] std::string ResolveIcon(std::string_view name, const TPluginHolder* plugin) const;

  std::string programFolder_;
  IServicesView* view_ = nullptr;
  std::vector<IServiceListener*> listeners_;
  std::vector<TServiceTypeHolder*> types_;  // owned
  std::vector<TServiceHolder*> services_;   // owned through their types' lists
  TServiceHolder* active_ = nullptr;
};

}  // namespace kp
