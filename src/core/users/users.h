#pragma once
// The user accounts of the services. Every service has its own ordered list of
// accounts (name and password); plugins ask whether a name and password are valid
// for their service, and shared items grant rights to single accounts.
//
// Accounts are saved in "Users.dat" under their service's GUID. At start they
// wait in the pending list until a service of that GUID registers and takes
// them; a service that goes takes its accounts with it. Accounts of services
// that did not register in a run stay pending and are written back, so a run
// without a plugin does not cost its users their accounts.
//
// Names are looked up without regard to ASCII letter case, the first match
// winning; passwords are compared exactly. Main thread only; plugins hear of
// accounts synchronously and may call back into the program from those events.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/services/service_registry.h"
#include "core/users/users_file.h"

namespace kp {

struct TUserItem {
  TServiceHolder* Service = nullptr;  // the service that owns the account
  std::string Name;
  std::string Password;  // plain text, compared exactly
};

// What the settings dialog shows of the users: the services to which accounts
// can be added (the user dialog's realms), in registration order.
class IUsersView {
 public:
  virtual ~IUsersView() = default;
  virtual void RealmAdded(const TServiceHolder& service) = 0;
  virtual void RealmRemoved(const TServiceHolder& service) = 0;
};

class TUsers final : private IServiceListener {
 public:
  // Listens to the registry from here on: services take their accounts as they register.
  explicit TUsers(TServiceRegistry& services);
  TUsers(const TUsers&) = delete;
  TUsers& operator=(const TUsers&) = delete;
  ~TUsers() override;

  void SetView(IUsersView* view) noexcept { view_ = view; }
  [[nodiscard]] TServiceRegistry& Services() const noexcept { return services_; }

  // Appends the accounts of the file to the pending list; a missing, unreadable
  // or oversized file adds none.
  void LoadUsers(const std::string& path);
  void LoadUsersFromText(std::string_view content);
  // Replaces the file atomically: the accounts of every registered service in
  // order, then the pending ones. False when it could not be written (the
  // previous file is then untouched).
  [[nodiscard]] bool SaveUsers(const std::string& path) const;
  [[nodiscard]] std::string UsersFileText() const;

  // The service takes the pending accounts of its GUID, all at once and in file
  // order; then its plugin hears OnUsersAdd for each (unless it removes the
  // service meanwhile).
  void RestoreUsers(TServiceHolder& service);
  // The service's accounts and the pending ones of its GUID are gone for good;
  // nobody is told.
  void DropUsers(TServiceHolder& service);
  // Forgets every account and pending entry: the registry has been cleared
  // without telling its listeners (the end of the program).
  void Clear() noexcept;

  // The service's accounts in order of addition (empty for an unknown service).
  [[nodiscard]] const std::vector<TUserItem>& UsersOf(const TServiceHolder& service) const noexcept;
  // The service's first account of the name, in any letter case; null when none.
  [[nodiscard]] const TUserItem* FindUser(const TServiceHolder& service,
                                          std::string_view name) const noexcept;
  // Whether the service's first account of the name has exactly this password.
  [[nodiscard]] bool CheckAccess(const TServiceHolder& service, std::string_view name,
                                 std::string_view password) const noexcept;
  // Saved accounts that no registered service has taken.
  [[nodiscard]] const std::vector<TSavedUser>& Pending() const noexcept { return pending_; }

  // The Users functions by service handle: an unknown handle gives 0 and leaves
  // the buffer alone.
  [[nodiscard]] std::int32_t GetCount(std::uint32_t service) const noexcept;
  [[nodiscard]] bool CheckAccess(std::uint32_t service, std::string_view name,
                                 std::string_view password) const noexcept;
  // Copies the name at the position (from 0) into a plugin's buffer of the
  // fixed text size, cut to what it holds.
  void GetName(std::uint32_t service, std::int32_t position, char* buffer) const noexcept;

  // Changes of the settings dialog's apply. A new account goes at the end and
  // the plugin hears OnUsersAdd.
  void AddUser(TServiceHolder& service, std::string_view name, std::string_view password);
  // The plugin hears OnUsersRemove, then the first account of the name goes;
  // false when there was none.
  bool RemoveUser(TServiceHolder& service, std::string_view name);
  // The account of the name (the occurrence-th of them, from 0) takes the name
  // and password; false when there is none.
  bool UpdateUser(TServiceHolder& service, std::string_view name, std::string_view password,
                  std::size_t occurrence = 0);

 private:
  void ServiceAdded(TServiceHolder& service) override;
  void ServiceRemoving(TServiceHolder& service) override;

  TServiceRegistry& services_;
  IUsersView* view_ = nullptr;
  std::unordered_map<const TServiceHolder*, std::vector<TUserItem>> accounts_;
  std::vector<TSavedUser> pending_;
};

// Calls the event (OnUsersAdd, OnUsersRemove, OnUsersSetupAdd or
// OnUsersSetupRemove) in the plugin that owns the service, with the service's
// handle and the name.
void TellUsersPlugin(const TServiceHolder& service, std::size_t eventIndex, const std::string& name);

}  // namespace kp
