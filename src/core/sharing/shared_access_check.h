#pragma once
// The one rule that decides what a remote user may do in the shared namespace,
// run on the main thread for every request of the Shared functions.
//
// Everybody may list the root "/" and nothing else there. Below it the first
// name of the path picks the shared item: an item open to all grants its
// rights to everybody whose service is registered; otherwise the item's access
// list decides (see MatchUserAccess). A service handle that names no
// registered service may list the root and nothing else: it never reaches an
// item. An item that does not share its subdirectories never lets anybody
// create a directory.

#include <cstdint>
#include <functional>
#include <string_view>

#include "core/sharing/shared_items.h"

namespace kp {

class TServiceRegistry;
struct TServiceHolder;

// Does the service have a user of this name (letter case ignored) whose password
// is exactly this one? Served by the users store.
using TShareUserCheck =
    std::function<bool(const TServiceHolder& service, std::string_view userName, std::string_view password)>;

// The item's access list, in order, for the service: an entry for all users of
// the service applies (without asking for a password) and the walk goes on, so a
// later entry may replace it; an entry whose user name equals the given one
// exactly (letter case counts) applies and ends the walk when that user exists
// with that password, and is passed over otherwise. out is written only by an
// entry that applies; false when none did.
[[nodiscard]] bool MatchUserAccess(const TSharedItem& item, const TServiceHolder& service,
                                   std::string_view userName, std::string_view password,
                                   const TShareUserCheck& userCheck, TShareAccess& out);

class TSharedAccessCheck {
 public:
  TSharedAccessCheck(const TSharedItemList& items, const TServiceRegistry& services)
      : items_(items), services_(services) {}

  // Until one is set no user exists, so only entries for all users apply.
  void SetUserCheck(TShareUserCheck check) { userCheck_ = std::move(check); }

  // True when the request may go on; out then holds the rights (reading needs
  // none). At the root the four rights are cleared and the search flag is left
  // as the caller set it. Main thread only.
  [[nodiscard]] bool CheckAccess(std::uint32_t serviceHandle, std::string_view userName,
                                 std::string_view password, std::string_view virtualPath,
                                 TShareAccess& out) const;

 private:
  const TSharedItemList& items_;
  const TServiceRegistry& services_;
  TShareUserCheck userCheck_;
};

// The shared item a virtual path names: its first name, trimmed and upper-cased;
// empty for the root. Separators are "/" and "\", and empty names between them
// are skipped exactly as the share tree skips them.
[[nodiscard]] std::string SharedItemKeyOfPath(std::string_view virtualPath);

}  // namespace kp
