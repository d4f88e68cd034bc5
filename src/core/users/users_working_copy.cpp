#include "core/users/users_working_copy.h"

#include <algorithm>

#include "core/config/text_basics.h"
#include "core/host/api_names.h"

namespace kp {
namespace {

using TAccounts = std::vector<TUsersWorkingCopy::TAccount>;

TAccounts::iterator FindAccount(TAccounts& accounts, std::string_view name) {
  return std::find_if(accounts.begin(), accounts.end(),
                      [&](const TUsersWorkingCopy::TAccount& a) { return EqualsIgnoreCase(a.Name, name); });
}

std::string_view NameOf(const TUserItem& user) { return user.Name; }
std::string_view NameOf(const TUsersWorkingCopy::TAccount& account) { return account.Name; }
std::string_view NameOf(const std::string& name) { return name; }

template <typename List>
std::size_t CountAccounts(const List& list, std::string_view name) {
  return static_cast<std::size_t>(std::count_if(
      list.begin(), list.end(), [&](const auto& item) { return EqualsIgnoreCase(NameOf(item), name); }));
}

}  // namespace

TUserEditResult CheckUserName(std::string_view name) noexcept {
  if (Trim(name).empty()) return TUserEditResult::EmptyName;
  if (name.find(':') != name.npos) return TUserEditResult::NameContainsColon;
  if (name.find_first_of("\r\n") != name.npos) return TUserEditResult::NameContainsLineEnd;
  if (name.find('\0') != name.npos) return TUserEditResult::NameContainsNul;
  if (name.size() > kMaxUserNameLength) return TUserEditResult::NameTooLong;
  return TUserEditResult::Done;
}

TUserEditResult CheckUserPassword(std::string_view password) noexcept {
  if (password.find('\0') != password.npos) return TUserEditResult::PasswordContainsNul;
  if (password.size() > kMaxUserPasswordLength) return TUserEditResult::PasswordTooLong;
  return TUserEditResult::Done;
}

TUsersWorkingCopy::TUsersWorkingCopy(TUsers& users) : users_(users) {
  for (TServiceHolder* service : users_.Services().Services()) {
    TServiceAccounts& entry = services_.emplace_back();
    entry.Service = service;
    entry.Handle = service->Handle();
    for (const TUserItem& user : users_.UsersOf(*service))
      entry.Kept.push_back(TAccount{user.Name, user.Password});
  }
}

bool TUsersWorkingCopy::StillRegistered(const TServiceAccounts& entry) const noexcept {
  return users_.Services().FindService(entry.Handle) == entry.Service;
}

TUsersWorkingCopy::TServiceAccounts* TUsersWorkingCopy::Find(std::uint32_t service) noexcept {
  const auto found = std::find_if(services_.begin(), services_.end(),
                                  [&](const TServiceAccounts& entry) { return entry.Handle == service; });
  return found != services_.end() && StillRegistered(*found) ? &*found : nullptr;
}

TUserEditResult TUsersWorkingCopy::Add(std::uint32_t service, std::string_view name,
                                       std::string_view password) {
  TServiceAccounts* entry = Find(service);
  if (!entry) return TUserEditResult::UnknownService;
  if (const TUserEditResult check = CheckUserName(name); check != TUserEditResult::Done) return check;
  if (const TUserEditResult check = CheckUserPassword(password); check != TUserEditResult::Done) return check;
  if (FindAccount(entry->Kept, name) != entry->Kept.end() ||
      FindAccount(entry->Added, name) != entry->Added.end()) {
    return TUserEditResult::NameTaken;
  }
  entry->Added.push_back(TAccount{std::string(name), std::string(password)});
  std::erase_if(entry->Removed, [&](const std::string& removed) { return EqualsIgnoreCase(removed, name); });
  TellUsersPlugin(*entry->Service, EventNumber("OnUsersSetupAdd"), std::string(name));
  return TUserEditResult::Done;
}

TUserEditResult TUsersWorkingCopy::ChangePassword(std::uint32_t service, std::string_view name,
                                                  std::string_view password) {
  TServiceAccounts* entry = Find(service);
  if (!entry) return TUserEditResult::UnknownService;
  if (const TUserEditResult check = CheckUserPassword(password); check != TUserEditResult::Done) return check;
  auto account = FindAccount(entry->Kept, name);
  if (account == entry->Kept.end()) {
    account = FindAccount(entry->Added, name);
    if (account == entry->Added.end()) return TUserEditResult::UnknownUser;
  }
  account->Password = std::string(password);
  return TUserEditResult::Done;
}

TUserEditResult TUsersWorkingCopy::Remove(std::uint32_t service, std::string_view name) {
  TServiceAccounts* entry = Find(service);
  if (!entry) return TUserEditResult::UnknownService;
  const auto kept = FindAccount(entry->Kept, name);
  const auto added = FindAccount(entry->Added, name);
  if (kept == entry->Kept.end() && added == entry->Added.end()) return TUserEditResult::UnknownUser;
  // The name as the account has it, which is what the plugin and the apply know it by.
  const std::string removed = kept != entry->Kept.end() ? kept->Name : added->Name;
  if (added != entry->Added.end()) entry->Added.erase(added);
  if (kept != entry->Kept.end()) entry->Kept.erase(kept);
  if (std::none_of(entry->Removed.begin(), entry->Removed.end(),
                   [&](const std::string& r) { return EqualsIgnoreCase(r, removed); })) {
    entry->Removed.push_back(removed);
  }
  TellUsersPlugin(*entry->Service, EventNumber("OnUsersSetupRemove"), removed);
  return TUserEditResult::Done;
}

void TUsersWorkingCopy::Apply() {
  // Taken out first: a plugin's event may open a new copy or apply this one.
  std::vector<TServiceAccounts> services = std::move(services_);
  services_.clear();
  for (TServiceAccounts& entry : services) {
    if (!StillRegistered(entry)) continue;
    TServiceHolder& service = *entry.Service;
    // Accounts of a name that the copy no longer keeps go, first ones first (the
    // dialog, too, takes the first of a name out of Kept). Counted before the
    // added ones join.
    std::vector<std::size_t> surplus;
    for (const std::string& name : entry.Removed) {
      const auto held = CountAccounts(users_.UsersOf(service), name);
      const auto kept = CountAccounts(entry.Kept, name);
      surplus.push_back(held > kept ? held - kept : 0);
    }
    for (const TAccount& account : entry.Added) {
      if (!StillRegistered(entry)) break;
      users_.AddUser(service, account.Name, account.Password);
    }
    for (std::size_t i = 0; i < entry.Removed.size(); ++i) {
      for (std::size_t n = 0; n < surplus[i] && StillRegistered(entry); ++n) {
        users_.RemoveUser(service, entry.Removed[i]);
      }
    }
    // The n-th kept account of a name is the n-th account of that name: two of
    // one name keep their own passwords.
    std::vector<std::string> seen;
    for (const TAccount& account : entry.Kept) {
      if (!StillRegistered(entry)) break;
      const std::size_t occurrence = CountAccounts(seen, account.Name);
      seen.push_back(account.Name);
      static_cast<void>(users_.UpdateUser(service, account.Name, account.Password, occurrence));
    }
  }
}

}  // namespace kp
