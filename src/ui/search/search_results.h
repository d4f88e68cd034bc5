#pragma once
// The desktop face of the open searches: one results tab per open search in
// the main window's search results section, the section shown only while a
// search is open, and the main window's searching indicator. Plugins' result
// commands reach the tab of the current results search.

#include <QObject>
#include <QPointer>

#include <string>
#include <unordered_map>

#include "core/search/search_list_view.h"

class QTabWidget;

namespace kp {

class TMainForm;
class TSearchList;
class TSearchResultsForm;
class TSimpleConfig;

class TSearchResults final : public QObject, public ISearchListView {
  Q_OBJECT

 public:
  // Becomes the list's view until destroyed. The list, the window and the
  // language outlive this (destroy it before the window, or the list's
  // shutdown closing reaches a window that is gone); the program folder
  // resolves the tabs' own icons.
  TSearchResults(TSearchList& searches, TMainForm& mainForm, TSimpleConfig& language,
                 std::string programFolder);
  TSearchResults(const TSearchResults&) = delete;
  TSearchResults& operator=(const TSearchResults&) = delete;
  ~TSearchResults() override;

  // The tab of an open search, or null.
  [[nodiscard]] TSearchResultsForm* Tab(const TSearchContext& search) const;
  // The tabs, one page each.
  [[nodiscard]] QTabWidget& Pages() const noexcept { return *pages_; }

  void SearchOpened(TSearchContext& search) override;
  void ResultsAdded(TSearchContext& search, std::size_t first) override;
  void SearchStateChanged(TSearchContext& search) override;
  void SearchClosing(TSearchContext& search) override;
  void RefreshSearchIndicator() override;
  void AddResultButton(TSearchContext& search, TPluginHolder* owner, std::int32_t command,
                       std::string_view description, const std::string& iconFile) override;
  std::uint32_t AddResultMenuEntry(TSearchContext& search, TPluginHolder* owner, std::int32_t command,
                                   std::uint32_t parentMenu, std::string_view description,
                                   const std::string& iconFile) override;

 private:
  void CloseTab(int index);

  TSearchList& searches_;
  TMainForm& mainForm_;
  TSimpleConfig& language_;
  std::string programFolder_;
  QPointer<QTabWidget> pages_;  // the section page owns it
  std::unordered_map<const TSearchContext*, QPointer<TSearchResultsForm>> tabs_;
};

}  // namespace kp
