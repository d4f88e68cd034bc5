#include "ui/search/search_results.h"

#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/search/search_list.h"
#include "ui/search/search_results_form.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"

namespace kp {

namespace {

// A search text is shown as typed: an "&" in it marks no access key.
QString TabCaption(const QString& caption) {
  QString shown = caption;
  return shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

}  // namespace

TSearchResults::TSearchResults(TSearchList& searches, TMainForm& mainForm, TSimpleConfig& language,
                               std::string programFolder)
    : searches_(searches),
      mainForm_(mainForm),
      language_(language),
      programFolder_(std::move(programFolder)) {
  QWidget* page = mainForm_.Sections().Page(Section::SearchResults);
  pages_ = new QTabWidget(page);
  pages_->setObjectName(QStringLiteral("SearchResultsPageControl"));
  pages_->setTabsClosable(true);
  pages_->setMovable(true);
  pages_->setDocumentMode(true);
  auto* layout = qobject_cast<QVBoxLayout*>(page->layout());
  if (!layout) {
    delete page->layout();
    layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
  }
  layout->addWidget(pages_);
  connect(pages_, &QTabWidget::tabCloseRequested, this, &TSearchResults::CloseTab);
  searches_.SetView(this);
  RefreshSearchIndicator();
}

TSearchResults::~TSearchResults() {
  searches_.SetView(nullptr);
  for (auto& [search, tab] : tabs_) delete tab.data();
  if (pages_) delete pages_.data();
}

TSearchResultsForm* TSearchResults::Tab(const TSearchContext& search) const {
  const auto found = tabs_.find(&search);
  return found == tabs_.end() ? nullptr : found->second;
}

void TSearchResults::SearchOpened(TSearchContext& search) {
  auto* tab = new TSearchResultsForm(searches_, search, language_, programFolder_);
  tabs_[&search] = tab;
  const int index = pages_->addTab(tab, TabCaption(tab->Caption()));
  connect(tab, &TSearchResultsForm::captionChanged, this, [this, tab](const QString& caption) {
    const int at = pages_->indexOf(tab);
    if (at >= 0) pages_->setTabText(at, TabCaption(caption));
  });
  RefreshSearchIndicator();
  // Bringing the section itself to the front is the search request's step.
  pages_->setCurrentIndex(index);
}

void TSearchResults::ResultsAdded(TSearchContext& search, std::size_t first) {
  if (TSearchResultsForm* tab = Tab(search)) tab->ResultsAdded(first);
}

void TSearchResults::SearchStateChanged(TSearchContext& search) {
  if (TSearchResultsForm* tab = Tab(search)) tab->StateChanged();
}

void TSearchResults::SearchClosing(TSearchContext& search) {
  const auto found = tabs_.find(&search);
  if (found == tabs_.end()) return;
  TSearchResultsForm* tab = found->second.data();
  tabs_.erase(found);
  // Now, not later: the results it shows go when this returns.
  delete tab;
}

void TSearchResults::RefreshSearchIndicator() {
  mainForm_.SetSearching(searches_.AnySearching());
  TSectionPages& sections = mainForm_.Sections();
  if (searches_.Searches().empty()) {
    sections.Park(Section::SearchResults);
  } else {
    sections.Unpark(Section::SearchResults);
  }
}

void TSearchResults::AddResultButton(TSearchContext& search, TPluginHolder* owner, std::int32_t command,
                                     std::string_view description, const std::string& iconFile) {
  if (TSearchResultsForm* tab = Tab(search)) tab->AddPluginButton(owner, command, description, iconFile);
}

std::uint32_t TSearchResults::AddResultMenuEntry(TSearchContext& search, TPluginHolder* owner,
                                                 std::int32_t command, std::uint32_t parentMenu,
                                                 std::string_view description, const std::string& iconFile) {
  TSearchResultsForm* tab = Tab(search);
  return tab ? tab->AddPluginMenuEntry(owner, command, parentMenu, description, iconFile) : 0;
}

void TSearchResults::CloseTab(int index) {
  auto* tab = qobject_cast<TSearchResultsForm*>(pages_->widget(index));
  if (tab) searches_.CloseSearch(tab->Search());
}

}  // namespace kp
