#include "core/users/users.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/host/plugin_events.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

const std::vector<TUserItem> kNoUsers;

}  // namespace

void TellUsersPlugin(const TServiceHolder& service, std::size_t eventIndex, const std::string& name) {
  if (service.plugin) SendEvent(*service.plugin, eventIndex, service.Handle(), name.c_str());
}

TUsers::TUsers(TServiceRegistry& services) : services_(services) { services_.AddListener(this); }

TUsers::~TUsers() { services_.RemoveListener(this); }

void TUsers::LoadUsers(const std::string& path) {
  const std::optional<std::string> content = ReadWholeFile(path, kMaxUsersFileSize);
  if (content) LoadUsersFromText(*content);
}

void TUsers::LoadUsersFromText(std::string_view content) {
  std::vector<TSavedUser> loaded = ParseUsersFile(content);
  pending_.reserve(pending_.size() + loaded.size());
  std::move(loaded.begin(), loaded.end(), std::back_inserter(pending_));
}

std::string TUsers::UsersFileText() const {
  std::string text;
  for (const TServiceHolder* service : services_.Services()) {
    for (const TUserItem& user : UsersOf(*service)) {
      AppendUsersLine(text, service->guid, user.Name, user.Password);
    }
  }
  for (const TSavedUser& user : pending_) AppendUsersLine(text, user.service, user.name, user.password);
  return text;
}

bool TUsers::SaveUsers(const std::string& path) const { return WriteFileAtomically(path, UsersFileText()); }

void TUsers::RestoreUsers(TServiceHolder& service) {
  std::vector<TSavedUser> taken;
  std::size_t left = 0;
  for (std::size_t i = 0; i < pending_.size(); ++i) {
    if (pending_[i].service == service.guid) {
      taken.push_back(std::move(pending_[i]));
    } else {
      if (left != i) pending_[left] = std::move(pending_[i]);
      ++left;
    }
  }
  pending_.resize(left);
  // Listed before its plugin hears anything, so a removal from inside an event
  // always finds it there.
  if (view_) view_->RealmAdded(service);
  const std::uint32_t handle = service.Handle();
  for (TSavedUser& user : taken) {
    accounts_[&service].push_back(TUserItem{&service, user.name, std::move(user.password)});
    TellUsersPlugin(service, EventNumber("OnUsersAdd"), user.name);
    // The plugin removed its service from inside the event: the rest go with it.
    if (services_.FindService(handle) != &service) return;
  }
}

void TUsers::DropUsers(TServiceHolder& service) {
  std::erase_if(pending_, [&](const TSavedUser& user) { return user.service == service.guid; });
  accounts_.erase(&service);
  if (view_) view_->RealmRemoved(service);
}

void TUsers::Clear() noexcept {
  accounts_.clear();
  pending_.clear();
}

void TUsers::ServiceAdded(TServiceHolder& service) {
  // A new service may sit where one of a cleared registry was.
  accounts_.erase(&service);
  RestoreUsers(service);
}

void TUsers::ServiceRemoving(TServiceHolder& service) { DropUsers(service); }

const std::vector<TUserItem>& TUsers::UsersOf(const TServiceHolder& service) const noexcept {
  const auto found = accounts_.find(&service);
  return found == accounts_.end() ? kNoUsers : found->second;
}

const TUserItem* TUsers::FindUser(const TServiceHolder& service, std::string_view name) const noexcept {
  const std::vector<TUserItem>& users = UsersOf(service);
  const auto found = std::find_if(users.begin(), users.end(),
                                  [&](const TUserItem& user) { return EqualsIgnoreCase(user.Name, name); });
  return found == users.end() ? nullptr : &*found;
}

bool TUsers::CheckAccess(const TServiceHolder& service, std::string_view name,
                         std::string_view password) const noexcept {
  const TUserItem* user = FindUser(service, name);
  return user && user->Password == password;
}

std::int32_t TUsers::GetCount(std::uint32_t handle) const noexcept {
  const TServiceHolder* service = services_.FindService(handle);
  if (!service) return 0;
  const std::size_t count = UsersOf(*service).size();
  return static_cast<std::int32_t>(std::min<std::size_t>(count, std::numeric_limits<std::int32_t>::max()));
}

bool TUsers::CheckAccess(std::uint32_t handle, std::string_view name,
                         std::string_view password) const noexcept {
  const TServiceHolder* service = services_.FindService(handle);
  return service && CheckAccess(*service, name, password);
}

void TUsers::GetName(std::uint32_t handle, std::int32_t position, char* buffer) const noexcept {
  const TServiceHolder* service = services_.FindService(handle);
  if (!service || !buffer || position < 0) return;
  const std::vector<TUserItem>& users = UsersOf(*service);
  if (static_cast<std::size_t>(position) >= users.size()) return;
  CopyToFixedText(buffer, users[static_cast<std::size_t>(position)].Name);
}

void TUsers::AddUser(TServiceHolder& service, std::string_view name, std::string_view password) {
  std::string added(name);
  accounts_[&service].push_back(TUserItem{&service, added, std::string(password)});
  TellUsersPlugin(service, EventNumber("OnUsersAdd"), added);
}

bool TUsers::RemoveUser(TServiceHolder& service, std::string_view name) {
  const TUserItem* user = FindUser(service, name);
  if (!user) return false;
  const std::string removed = user->Name;
  const std::uint32_t handle = service.Handle();
  TellUsersPlugin(service, EventNumber("OnUsersRemove"), removed);
  // The event may have changed the list, or removed the service with all of it.
  if (services_.FindService(handle) != &service) return true;
  std::vector<TUserItem>& users = accounts_[&service];
  const auto found = std::find_if(users.begin(), users.end(), [&](const TUserItem& item) {
    return EqualsIgnoreCase(item.Name, removed);
  });
  if (found != users.end()) users.erase(found);
  return true;
}

bool TUsers::UpdateUser(TServiceHolder& service, std::string_view name, std::string_view password,
                        std::size_t occurrence) {
  const auto found = accounts_.find(&service);
  if (found == accounts_.end()) return false;
  for (TUserItem& user : found->second) {
    if (!EqualsIgnoreCase(user.Name, name) || occurrence-- > 0) continue;
    user.Name = std::string(name);
    user.Password = std::string(password);
    return true;
  }
  return false;
}

}  // namespace kp
