#pragma once
// One open search: its request, the state of the services asked, and every
// result accepted for it. Owned by the list of open searches; what its tab
// shows is the face's business.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/config/case_insensitive_index.h"
#include "core/search/search_result_holder.h"

namespace kp {

class TPluginHolder;

class TSearchContext {
 public:
  TSearchContext() = default;
  TSearchContext(const TSearchContext&) = delete;
  TSearchContext& operator=(const TSearchContext&) = delete;

  std::int32_t SearchID = 0;  // 0 to 65000
  std::string Caption;        // the request's texts joined by a blank, trimmed
  std::int32_t MinimumBitrate = 0;
  std::int64_t MinimumSize = 0;
  std::int64_t MaximumSize = 0;  // 0 or less: no upper bound
  // Once set, no further result is accepted.
  bool Stopped = false;
  // Top-level rows; grouped results do not count.
  std::int32_t ResultCount = 0;
  // Every accepted result, in order of arrival.
  std::vector<std::unique_ptr<TSearchResultHolder>> Results;
  // Group key (service type and hash code) to the first result that carried
  // it; letter case does not tell keys apart.
  std::unordered_map<std::string, TSearchResultHolder*, CaseInsensitiveHash, CaseInsensitiveEqual> GroupIndex;
  // Handles of the services asked that have not completed yet, one per asking.
  std::vector<std::uint32_t> PendingServices;
  // The plugins of the services asked, each once, in the order first asked:
  // they hear OnSearchClose.
  std::vector<TPluginHolder*> ParticipatingPlugins;

  // Some service asked is still at work.
  [[nodiscard]] bool Searching() const noexcept { return !PendingServices.empty(); }
  // The result whose record is at the handle, or null.
  [[nodiscard]] TSearchResultHolder* FindResult(std::uint32_t handle) const noexcept {
    if (handle == 0) return nullptr;
    for (const auto& result : Results) {
      if (result->Handle() == handle) return result.get();
    }
    return nullptr;
  }
};

}  // namespace kp
