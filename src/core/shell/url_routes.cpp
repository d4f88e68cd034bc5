#include "core/shell/url_routes.h"

#include <algorithm>

#include "core/config/text_basics.h"
#include "core/host/message_packet.h"
#include "core/host/plugin_events.h"
#include "core/shell/url_scheme_entries.h"

namespace kp {
namespace {

std::string KeyOf(std::string_view text) { return ToUpperAscii(Trim(text)); }

TUrlRoutes::TClaims::iterator Find(TUrlRoutes::TClaims& claims, const std::string& key) {
  return std::ranges::find_if(claims, [&](const auto& claim) { return claim.first == key; });
}

std::string_view WithoutSlashes(std::string_view text) {
  if (text.starts_with("//")) text.remove_prefix(2);
  return text;
}

}  // namespace

int TUrlRoutes::RegisterScheme(TPluginHolder* plugin, std::string_view scheme) {
  const std::string key = KeyOf(scheme);
  if (Find(schemes_, key) != schemes_.end()) return 0;
  if (!entries_ || !entries_->RegisterUrlScheme(key, false)) return 0;
  schemes_.emplace_back(key, plugin);
  return 1;
}

void TUrlRoutes::UnregisterScheme(TPluginHolder* plugin, std::string_view scheme) {
  const std::string key = KeyOf(scheme);
  const auto claim = Find(schemes_, key);
  if (claim == schemes_.end() || claim->second != plugin) return;
  schemes_.erase(claim);
  if (entries_) entries_->UnregisterUrlScheme(key);
}

int TUrlRoutes::RegisterName(TPluginHolder* plugin, std::string_view name) {
  const std::string key = KeyOf(name);
  if (Find(names_, key) != names_.end()) return 0;
  names_.emplace_back(key, plugin);
  return 1;
}

void TUrlRoutes::UnregisterName(TPluginHolder* plugin, std::string_view name) {
  const auto claim = Find(names_, KeyOf(name));
  if (claim != names_.end() && claim->second == plugin) names_.erase(claim);
}

void TUrlRoutes::Forget(const TPluginHolder* plugin) {
  std::erase_if(schemes_, [&](const auto& claim) { return claim.second == plugin; });
  std::erase_if(names_, [&](const auto& claim) { return claim.second == plugin; });
}

void TUrlRoutes::DispatchUrl(std::string_view text) const {
  // One pass: the scheme up to the first ":", then for the own scheme the name
  // up to the first "|"; everything after that is the rest, ":" and "|" included.
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return;
  const std::string scheme = KeyOf(text.substr(0, colon));
  const std::string_view after = text.substr(colon + 1);
  if (scheme == kOwnUrlScheme) {
    const std::size_t bar = after.find('|');
    if (bar == std::string_view::npos) return;
    const std::string key = KeyOf(WithoutSlashes(after.substr(0, bar)));
    const std::string rest(WithoutSlashes(after.substr(bar + 1)));
    const auto claim = std::ranges::find_if(names_, [&](const auto& c) { return c.first == key; });
    if (claim != names_.end() && claim->second) {
      SendEvent(*claim->second, EventNumber("OnApplicationURL"), key.c_str(), rest.c_str());
    }
    return;
  }
  const std::string rest(WithoutSlashes(after));
  const auto claim = std::ranges::find_if(schemes_, [&](const auto& c) { return c.first == scheme; });
  if (claim != schemes_.end() && claim->second) {
    SendEvent(*claim->second, EventNumber("OnURL"), scheme.c_str(), rest.c_str());
  }
}

TUrlApi::TUrlApi(TApiRegistry& api, TUrlRoutes& routes) : api_(api) {
  api_.Implement("URLRegister", [&routes](TMessagePacket& p) -> std::int64_t {
    return routes.RegisterScheme(p.SenderPlugin, p.GetString("sURL"));
  });
  api_.Implement("URLUnRegister", [&routes](TMessagePacket& p) -> std::int64_t {
    routes.UnregisterScheme(p.SenderPlugin, p.GetString("sURL"));
    return 0;
  });
  api_.Implement("ApplicationRegisterURL", [&routes](TMessagePacket& p) -> std::int64_t {
    return routes.RegisterName(p.SenderPlugin, p.GetString("sName"));
  });
  api_.Implement("ApplicationUnRegisterURL", [&routes](TMessagePacket& p) -> std::int64_t {
    routes.UnregisterName(p.SenderPlugin, p.GetString("sName"));
    return 0;
  });
}

}  // namespace kp
