#pragma once
// The open searches and the rules they live by: search IDs, the limit on
// open tabs, which results are accepted and how they group, the completion of
// the services asked, and what the plugins hear when a search ends. The
// operations behind SearchResultAdd and SearchComplete live here too.
//
// Main thread only. Plugins are called synchronously and may call back from
// inside those events; a search is looked up again after every event.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/search/search_context.h"
#include "core/search/search_list_view.h"
#include "core/services/service_registry.h"

namespace kp {

class TMessagePacket;
class TPluginManager;
struct TSettings;

class TSearchList final : private IServiceListener {
 public:
  // The highest search ID; the next one after it is 0.
  static constexpr std::int32_t kMaximumSearchID = 65000;

  // The settings are read at every use, so a change in the settings dialog
  // applies to the next result. Registers with the services to hear of
  // removals; the services and the plugins outlive the list.
  TSearchList(TServiceRegistry& services, TPluginManager& plugins, const TSettings& settings,
              std::string programFolder);
  TSearchList(const TSearchList&) = delete;
  TSearchList& operator=(const TSearchList&) = delete;
  // Destroys what is still open without telling anyone (see CloseAll).
  ~TSearchList() override;

  void SetView(ISearchListView* view) noexcept { view_ = view; }

  // Opens a search with a fresh ID, closes the oldest one when the tab limit
  // is passed, then tells the view.
  TSearchContext& OpenSearch(std::string_view text1, std::string_view text2, std::int32_t minimumBitrate,
                             std::int64_t minimumSize, std::int64_t maximumSize);
  // The service is asked: it is pending until it completes, and its plugin
  // will hear OnSearchClose. An unknown service handle does nothing.
  void AddService(TSearchContext& search, std::uint32_t service);
  // The user's stop: no service is pending, no result is accepted any more.
  // Plugins are not told.
  void StopSearch(TSearchContext& search);
  // Every participating plugin hears OnSearchClose, in order, then the search
  // and its results are destroyed. A search no longer open does nothing.
  void CloseSearch(TSearchContext& search);
  // Closes every open search, oldest first (shutdown).
  void CloseAll();

  // The oldest open search that carries the ID, or null.
  [[nodiscard]] TSearchContext* FindSearch(std::int32_t searchId) const noexcept;
  // In the order they were opened.
  [[nodiscard]] const std::vector<TSearchContext*>& Searches() const noexcept { return searches_; }
  [[nodiscard]] bool AnySearching() const noexcept;

  // The bodies of SearchResultAdd and SearchComplete: calls that name an
  // unknown service or search are dropped. Always 0.
  std::int32_t AddResult(TMessagePacket& packet);
  std::int32_t Complete(TMessagePacket& packet);

  // The search whose tab receives the commands plugins add; null when none.
  [[nodiscard]] TSearchContext* CurrentResultsContext() const noexcept { return current_; }
  void SetCurrentResultsContext(TSearchContext* search) noexcept { current_ = search; }

  // The bodies of SearchResultButtonAdd and SearchResultMenuAdd: the command
  // goes to the current results tab with the calling plugin as owner; only the
  // low 16 bits of the number count, as a signed number. Nothing (and 0)
  // without a current search or a view.
  void AddResultButton(TPluginHolder* caller, std::int32_t command, std::string_view description,
                       std::string_view iconFile);
  std::uint32_t AddResultMenuEntry(TPluginHolder* caller, std::int32_t command, std::uint32_t parentMenu,
                                   std::string_view description, std::string_view iconFile);

  // What the results tab asks of the plugins, each sent to the plugin of the
  // result's service (while it is loaded) with the address of its record.
  // Selecting one result makes its search the current results search first,
  // so the plugin may add its commands.
  void SelectResult(TSearchContext& search, const TSearchResultHolder& result);
  void SendResultCommand(const TSearchResultHolder& result, std::int32_t command, bool fromMenu);
  void ExecuteResult(const TSearchResultHolder& result);

 private:
  void ServiceAdded(TServiceHolder& service) override;
  void ServiceRemoving(TServiceHolder& service) override;

  [[nodiscard]] std::int32_t AllocateSearchID() noexcept;
  [[nodiscard]] bool Accepts(const TSearchContext& search, std::string_view description, std::int32_t bitrate,
                             std::int64_t size) const;
  // The service's part of the search is over; the search stops when it was
  // the last one pending.
  void ServiceDone(TSearchContext& search, std::uint32_t service);
  // Fewer services are pending: the search stops when none is left.
  void PendingChanged(TSearchContext& search);
  void Stop(TSearchContext& search);
  [[nodiscard]] bool IsOpen(const TSearchContext* search) const noexcept;
  // The plugin, when it is still loaded.
  [[nodiscard]] TPluginHolder* Loaded(TPluginHolder* plugin) const noexcept;
  [[nodiscard]] std::string ResolveIcon(std::string_view name, const TPluginHolder* plugin) const;
  void RefreshIndicator();

  TServiceRegistry& services_;
  TPluginManager& plugins_;
  const TSettings& settings_;
  std::string programFolder_;
  ISearchListView* view_ = nullptr;
  std::vector<TSearchContext*> searches_;  // owned
  std::int32_t nextSearchID_ = 0;
  TSearchContext* current_ = nullptr;
  // Resolved icon files by plugin folder and name; emptied when a search opens.
  static constexpr std::size_t kIconCacheLimit = 256;
  mutable std::unordered_map<std::string, std::string> iconCache_;
};

}  // namespace kp
