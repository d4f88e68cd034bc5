#pragma once
// Where links go. Plugins claim schemes of their networks' links (URLRegister),
// which are then made known to the desktop, and names under the program's own
// scheme "KPL" (ApplicationRegisterURL): KPL://name|text reaches the plugin that
// claimed the name. Everything here runs on the main thread.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/host/api_registry.h"

namespace kp {

class TPluginHolder;
class TUrlSchemeEntries;

inline constexpr std::string_view kOwnUrlScheme = "KPL";

class TUrlRoutes {
 public:
  // Without entries (tests of the routing alone, a run that must not touch the
  // desktop) every scheme claim fails, as a desktop that refused it would.
  explicit TUrlRoutes(TUrlSchemeEntries* entries = nullptr) : entries_(entries) {}
  void SetEntries(TUrlSchemeEntries* entries) noexcept { entries_ = entries; }

  // 1 when the caller now holds the claim, else 0; a claim stays until its holder
  // gives it up, and only its holder can.
  int RegisterScheme(TPluginHolder* plugin, std::string_view scheme);
  void UnregisterScheme(TPluginHolder* plugin, std::string_view scheme);
  int RegisterName(TPluginHolder* plugin, std::string_view name);
  void UnregisterName(TPluginHolder* plugin, std::string_view name);
  // Routes the link to its claimant's OnApplicationURL or OnURL; a link nobody
  // claimed is dropped.
  void DispatchUrl(std::string_view text) const;
  // A plugin that goes loses its claims (its entries with the desktop stay).
  void Forget(const TPluginHolder* plugin);

  using TClaims = std::vector<std::pair<std::string, TPluginHolder*>>;
  [[nodiscard]] const TClaims& UrlSchemeList() const noexcept { return schemes_; }
  [[nodiscard]] const TClaims& UrlNameList() const noexcept { return names_; }

 private:
  TUrlSchemeEntries* entries_;
  TClaims schemes_;
  TClaims names_;
};

// The four URL functions of the plugin API.
class TUrlApi {
 public:
  TUrlApi(TApiRegistry& api, TUrlRoutes& routes);
  TUrlApi(const TUrlApi&) = delete;
  TUrlApi& operator=(const TUrlApi&) = delete;

 private:
  TApiRegistry::TScope api_;
};

}  // namespace kp
