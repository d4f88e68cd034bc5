#pragma once
// The start page the Home section shows when no home page address is set: made
// by the program from what it knows, with no network. It tells at a glance which
// networks are online, what searches and transfers are running and how much is
// shared. The page is HTML for a simple rich-text view (no scripts, no external
// resources); every name in it is escaped, since plugins choose them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kp {

class TServiceRegistry;
class TSearchList;
class TSharedItemList;
class TSimpleConfig;
class TTransferList;

struct TStartPageFacts {
  struct TService {
    std::string Name;
    bool Online = false;
    bool operator==(const TService&) const = default;
  };
  std::vector<TService> Services;
  std::int64_t OpenSearches = 0;
  std::int64_t SearchesRunning = 0;
  std::int64_t DownloadsRunning = 0;
  std::int64_t DownloadsWaiting = 0;
  std::int64_t UploadsRunning = 0;
  std::int64_t UploadsWaiting = 0;
  std::int64_t SharedFolders = 0;
  std::int64_t SharedFiles = 0;
  bool operator==(const TStartPageFacts&) const = default;
};

[[nodiscard]] TStartPageFacts GatherStartPageFacts(const TServiceRegistry& services, const TSearchList& searches,
                                                   const TTransferList& downloads, const TTransferList& uploads,
                                                   const TSharedItemList& shared);

// The colours of the page, as "#rrggbb", taken from the window's palette so the
// page looks at home in light and dark themes alike.
struct TStartPageColors {
  std::string Text = "#202020";
  std::string Muted = "#606060";
  std::string Card = "#f0f0f0";
  std::string Accent = "#2a6ebb";
  std::string Online = "#2e8b3a";
};

[[nodiscard]] std::string StartPageHtml(const TStartPageFacts& facts, std::string_view applicationName,
                                        const TStartPageColors& colors, TSimpleConfig& language);

// Text made safe to stand in HTML: &, <, >, " and ' as entities, control
// characters dropped.
[[nodiscard]] std::string EscapeHtml(std::string_view text);

}  // namespace kp
