#include "ui/search/search_results_form.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "core/config/shared_routines.h"
#include "core/search/search_list.h"
#include "ui/search/results_model.h"
#include "ui/search/results_tree_view.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {

TSearchResultsForm::TSearchResultsForm(TSearchList& searches, TSearchContext& search, TSimpleConfig& language,
                                       std::string programFolder, QWidget* parent)
    : QWidget(parent),
      searches_(searches),
      search_(search),
      language_(language),
      stopIcon_(ResolveIconFile("StopSearchIcon.bmp", "", programFolder)),
      downloadIcon_(ResolveIconFile("DownloadsIcon.bmp", "", programFolder)),
      caption_(ToQString(search.Caption)),
      bar_(new QToolBar(this)),
      popup_(new QMenu(this)),
      commands_(popup_, bar_, &commandImages_, this) {
  setObjectName(QStringLiteral("SearchResultsForm"));
  bar_->setObjectName(QStringLiteral("SearchResultsCoolBar"));
  bar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // The bar keeps the height it has with buttons, so the list does not move
  // down when the first selection brings them.
  QAction* probe = bar_->addAction(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("M"));
  bar_->setMinimumHeight(bar_->sizeHint().height());
  bar_->removeAction(probe);
  delete probe;
  popup_->setObjectName(QStringLiteral("SearchResultsPopup"));

  model_ = new TResultsModel(search_, language_, this);
  view_ = new TResultsTreeView(this);
  view_->setObjectName(QStringLiteral("SearchResultsListView"));
  view_->setModel(model_);
  // The description is what a user reads first; it gets the room.
  view_->header()->resizeSection(TResultsModel::kDescription, 320);

  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("SearchResultsStatusPanel"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar_);
  layout->addWidget(view_, 1);
  layout->addWidget(status_);

  connect(model_, &TResultsModel::resultsShown, this, &TSearchResultsForm::UpdateCounts);
  connect(view_, &TResultsTreeView::inputHandled, this, &TSearchResultsForm::RebuildCommands);
  connect(view_, &TResultsTreeView::downloadRequested, this,
          [this] { RunCommand(kDownloadCommand, nullptr, false); });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TSearchResultsForm::SelectionChanged);
  connect(view_, &QWidget::customContextMenuRequested, this, &TSearchResultsForm::ShowContextMenu);
  commands_.OnMenuClick = [this](TCommandManager&, std::uint32_t, std::int32_t command,
                                 TPluginHolder* owner) { RunCommand(command, owner, true); };
  commands_.OnButtonClick = [this](TCommandManager&, std::uint32_t, std::int32_t command,
                                   TPluginHolder* owner) { RunCommand(command, owner, false); };

  ShowStatus(Text(text::kSearchingStatus));
  RebuildCommands();
}

TSearchResultsForm::~TSearchResultsForm() {
  // The view lets go of the rows before the model goes with the results.
  view_->setModel(nullptr);
}

QString TSearchResultsForm::StatusText() const { return status_->text(); }

QString TSearchResultsForm::Text(const TTextId& id) const { return LanguageText(language_, id); }

void TSearchResultsForm::ShowStatus(const QString& text) { status_->setText(QStringLiteral(" ") + text); }

void TSearchResultsForm::ResultsAdded(std::size_t first) { model_->Gather(first); }

void TSearchResultsForm::UpdateCounts() {
  ShowStatus(WithNumber(GetLanguageText(text::kResultCountStatus, language_), search_.ResultCount));
  caption_ = ToQString(search_.Caption) + QStringLiteral(" (") + QString::number(search_.ResultCount) +
             QStringLiteral(")");
  emit captionChanged(caption_);
}

void TSearchResultsForm::StateChanged() {
  if (search_.Stopped && search_.ResultCount == 0) ShowStatus(Text(text::kNothingFoundStatus));
  RebuildCommands();
}

void TSearchResultsForm::SelectionChanged() {
  const int count = static_cast<int>(view_->selectionModel()->selectedRows().size());
  if (count == selectedCount_) return;
  selectedCount_ = count;
  RebuildCommands();
}

void TSearchResultsForm::RebuildCommands() {
  // A plugin asked about the selection may change the search (finish it, for
  // one) and so ask for a rebuild from inside this one: that runs once more
  // after this one, not in the middle of it.
  if (rebuilding_) {
    rebuildAgain_ = true;
    return;
  }
  QPointer<TSearchResultsForm> alive(this);
  rebuilding_ = true;
  RebuildOnce();
  if (alive && rebuildAgain_) {
    rebuildAgain_ = false;
    RebuildOnce();
  }
  if (alive) rebuilding_ = false;
}

void TSearchResultsForm::RebuildOnce() {
  commands_.ClearCommands();
  if (!search_.Stopped) {
    const std::string caption = GetLanguageText(text::kStopSearchCommand, language_);
    commands_.AddMenuEntry(kStopCommand, 0, nullptr, stopIcon_, caption);
    commands_.AddButton(kStopCommand, nullptr, stopIcon_, caption);
    commands_.AddButton(0, nullptr, "", "-");
  }
  const std::vector<TSearchResultHolder*> selected = SelectedResults();
  if (selected.empty()) return;
  const std::string caption = GetLanguageText(text::kDownloadResultsCommand, language_);
  commands_.AddMenuEntry(kDownloadCommand, 0, nullptr, downloadIcon_, caption);
  commands_.AddButton(kDownloadCommand, nullptr, downloadIcon_, caption);
  if (selected.size() == 1) searches_.SelectResult(search_, *selected.front());
}

std::vector<TSearchResultHolder*> TSearchResultsForm::SelectedResults() const {
  std::vector<TSearchResultHolder*> results;
  for (const QModelIndex& row : view_->selectionModel()->selectedRows()) {
    if (TSearchResultHolder* result = model_->ResultAt(row)) results.push_back(result);
  }
  return results;
}

void TSearchResultsForm::RunCommand(std::int32_t command, TPluginHolder* owner, bool fromMenu) {
  if (command == kStopCommand && !owner) {
    searches_.StopSearch(search_);
    return;
  }
  const std::vector<TSearchResultHolder*> selected = SelectedResults();
  if (selected.empty()) return;
  if (command == kDownloadCommand && !owner) {
    DownloadSelection();
    return;
  }
  searches_.SendResultCommand(*selected.front(), command, fromMenu);
}

void TSearchResultsForm::DownloadSelection() {
  // The list is made first: a plugin's answer may add results to the groups.
  std::vector<const TSearchResultHolder*> list;
  for (const TSearchResultHolder* result : SelectedResults()) {
    list.push_back(result);
    list.insert(list.end(), result->Children.begin(), result->Children.end());
  }
  QPointer<TSearchResultsForm> alive(this);
  for (const TSearchResultHolder* result : list) {
    if (!alive) return;  // the search was closed and its results with it
    searches_.ExecuteResult(*result);
  }
}

void TSearchResultsForm::AddPluginButton(TPluginHolder* owner, std::int32_t command,
                                         std::string_view description, const std::string& iconFile) {
  commands_.AddButton(command, owner, iconFile, description);
}

std::uint32_t TSearchResultsForm::AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command,
                                                     std::uint32_t parentMenu, std::string_view description,
                                                     const std::string& iconFile) {
  if (parentMenu != 0 && !commands_.FindMenuEntry(parentMenu)) return 0;
  return commands_.AddMenuEntry(command, parentMenu, owner, iconFile, description);
}

void TSearchResultsForm::ShowContextMenu(const QPoint& at) {
  RebuildCommands();
  if (!popup_->actions().isEmpty()) popup_->popup(view_->viewport()->mapToGlobal(at));
}

}  // namespace kp
