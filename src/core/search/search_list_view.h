#pragma once
// What the desktop face shows of the open searches: one results tab per
// search, and the main window's searching indicator. Called on the main thread
// once the model is consistent. A list without a view (a headless run) keeps
// its state all the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kp {

class TPluginHolder;
class TSearchContext;

class ISearchListView {
 public:
  virtual ~ISearchListView() = default;

  // A new search is open (and an older one already closed if the tab limit
  // asked for it): its tab is created and made the active one.
  virtual void SearchOpened(TSearchContext& search) = 0;
  // search.Results[first] to the end arrived since the last call; a grouped
  // result's Parent names the row it goes under.
  virtual void ResultsAdded(TSearchContext& search, std::size_t first) = 0;
  // Stopped or PendingServices changed. A search that is Stopped with no
  // result shows that nothing was found.
  virtual void SearchStateChanged(TSearchContext& search) = 0;
  // The search is out of the list and its plugins have been told; its context
  // and results are destroyed when this returns.
  virtual void SearchClosing(TSearchContext& search) = 0;
  // Whether any search is still searching, or open at all, may have changed.
  virtual void RefreshSearchIndicator() = 0;

  // A plugin adds a command to the tab of the current results search (owner:
  // the plugin; its click comes back as that plugin's command).
  virtual void AddResultButton(TSearchContext& search, TPluginHolder* owner, std::int32_t command,
                               std::string_view description, const std::string& iconFile) = 0;
  // Under parentMenu (an entry this returned before, or 0 for the top level);
  // the new entry's handle, or 0. parentMenu comes from the plugin: one that
  // is not an entry of this tab adds nothing and gives 0.
  virtual std::uint32_t AddResultMenuEntry(TSearchContext& search, TPluginHolder* owner, std::int32_t command,
                                           std::uint32_t parentMenu, std::string_view description,
                                           const std::string& iconFile) = 0;
};

}  // namespace kp
