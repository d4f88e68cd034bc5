#include "core/sharing/shared_access_check.h"

#include <cstring>

#include "core/services/service_registry.h"

namespace kp {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

void ClearRights(TShareAccess& access) noexcept {
  access.AllowWrite = 0;
  access.AllowDelete = 0;
  access.AllowCreateDirectory = 0;
  access.AllowRemoveDirectory = 0;
}

bool SameService(const TShareAccess& entry, const TServiceHolder& service) noexcept {
  static_assert(sizeof(entry.ServiceID) == sizeof(service.guid));
  return std::memcmp(&entry.ServiceID, &service.guid, sizeof service.guid) == 0;
}

}  // namespace

std::string SharedItemKeyOfPath(std::string_view virtualPath) {
  // The first non-empty piece, as the tree walks it: "//Music" names Music, not
  // the root, or a request for the root would be checked while the tree serves
  // the item.
  std::size_t start = 0;
  while (start < virtualPath.size() && IsSeparator(virtualPath[start])) ++start;
  std::size_t end = start;
  while (end < virtualPath.size() && !IsSeparator(virtualPath[end])) ++end;
  return SharedItemKey(virtualPath.substr(start, end - start));
}

bool MatchUserAccess(const TSharedItem& item, const TServiceHolder& service, std::string_view userName,
                     std::string_view password, const TShareUserCheck& userCheck, TShareAccess& out) {
  bool matched = false;
  for (const TShareAccess& entry : item.AccessList) {
    if (!SameService(entry, service)) continue;
    const std::string_view entryUser = FixedFieldText(entry.UserName, sizeof entry.UserName);
    if (entryUser.empty()) {
      out = entry;
      matched = true;
      continue;
    }
    if (entryUser == userName && userCheck && userCheck(service, userName, password)) {
      out = entry;
      return true;
    }
  }
  return matched;
}

bool TSharedAccessCheck::CheckAccess(std::uint32_t serviceHandle, std::string_view userName,
                                     std::string_view password, std::string_view virtualPath,
                                     TShareAccess& out) const {
  const std::string key = SharedItemKeyOfPath(virtualPath);
  const TServiceHolder* const service = services_.FindService(serviceHandle);
  // A blank first name is the root too, unless an item is named so (the tree
  // would serve that item).
  const bool noName = virtualPath.find_first_not_of("/\\") == std::string_view::npos;
  if (key.empty() && (noName || !items_.FindSharedItem(key))) {
    ClearRights(out);
    if (!service) out.IncludeInSearchRequests = 0;
    return true;
  }
  if (!service) return false;
  const TSharedItem* const item = items_.FindSharedItem(key);
  if (!item) return false;
  bool allowed = true;
  if (item->AllowAll) {
    out = item->AllAccess;
  } else {
    allowed = MatchUserAccess(*item, *service, userName, password, userCheck_, out);
  }
  if (!item->IncludeSubdirectories) out.AllowCreateDirectory = 0;
  return allowed;
}

}  // namespace kp
