#pragma once
// The accounts as the settings dialog's Users page edits them: a copy of every
// registered service's accounts, taken when the dialog opens, in which accounts
// are added, removed and given new passwords. Nothing reaches the services until
// the dialog's OK applies the copy; Cancel simply drops it.
//
// What "Users.dat" cannot hold is refused here, so an account never comes back
// different from how it was entered: a name with ":" (the field separator) or a
// line end (CR, LF), and a NUL in a name or password (a plugin's text ends at
// it, so it could never match). Any other password survives the file whole,
// whatever its length or bytes, because its Base64 text is written on one line;
// lengths are bounded only so that names fit a plugin's fixed text and one
// account cannot swell the file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/users/users.h"

namespace kp {

// Longest name: what a plugin's fixed text holds, so UsersGetName hands it out whole.
inline constexpr std::size_t kMaxUserNameLength = 254;
inline constexpr std::size_t kMaxUserPasswordLength = 1024;

enum class TUserEditResult {
  Done,
  UnknownService,       // not a service of the copy, or it has gone since
  UnknownUser,          // no account of that name in the copy
  EmptyName,            // nothing but blanks
  NameContainsColon,    // ":" separates the fields of a saved account
  NameContainsLineEnd,  // CR or LF would split the saved line
  NameContainsNul,      // a plugin would read only the part before it
  NameTooLong,          // over kMaxUserNameLength
  NameTaken,            // the service already has the name, in any letter case
  PasswordContainsNul,  // nobody could ever present it through the plugin API
  PasswordTooLong,      // over kMaxUserPasswordLength
};

// Whether a new account's name and password can be stored as given.
[[nodiscard]] TUserEditResult CheckUserName(std::string_view name) noexcept;
[[nodiscard]] TUserEditResult CheckUserPassword(std::string_view password) noexcept;

class TUsersWorkingCopy {
 public:
  struct TAccount {
    std::string Name;
    std::string Password;
  };
  struct TServiceAccounts {
    TServiceHolder* Service = nullptr;
    std::uint32_t Handle = 0;
    std::vector<TAccount> Kept;  // the accounts when the copy was taken, passwords as edited
    std::vector<TAccount> Added;
    std::vector<std::string> Removed;
  };

  // Copies every registered service's accounts, in service order.
  explicit TUsersWorkingCopy(TUsers& users);

  [[nodiscard]] const std::vector<TServiceAccounts>& Services() const noexcept { return services_; }

  // Accounts are named without regard to letter case; where a service has two of
  // one name (a saved file can hold that), ChangePassword and Remove act on the
  // first of them.
  //
  // A new account for the service (its name taken out of Removed); the plugin
  // hears OnUsersSetupAdd.
  TUserEditResult Add(std::uint32_t service, std::string_view name, std::string_view password);
  // The password of the account of that name in Kept or Added; nobody is told.
  TUserEditResult ChangePassword(std::uint32_t service, std::string_view name, std::string_view password);
  // The account leaves Kept and Added, its name goes into Removed once; the
  // plugin hears OnUsersSetupRemove.
  TUserEditResult Remove(std::uint32_t service, std::string_view name);

  // The dialog's OK, service by service: the added accounts join (OnUsersAdd);
  // of every name in Removed, the accounts beyond those still in Kept go
  // (OnUsersRemove first), so a name removed and added again keeps its old
  // account; the kept ones take their passwords, each onto its own account.
  // Services that have gone are passed over. The copy is empty afterwards.
  void Apply();

 private:
  // The copy's entry of a service still registered, or null.
  [[nodiscard]] TServiceAccounts* Find(std::uint32_t service) noexcept;
  [[nodiscard]] bool StillRegistered(const TServiceAccounts& entry) const noexcept;

  TUsers& users_;
  std::vector<TServiceAccounts> services_;
};

}  // namespace kp
