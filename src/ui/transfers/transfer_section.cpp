#include "ui/transfers/transfer_section.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/config/global_stores.h"
#include "core/config/shared_routines.h"
#include "core/transfers/transfer_commands.h"
#include "core/transfers/transfer_list.h"
#include "core/transfers/transfer_texts.h"
#include "core/transfers/transfer_tree.h"
#include "ui/shell/language_text.h"
#include "ui/transfers/transfer_details.h"
#include "ui/transfers/transfer_model.h"
#include "ui/transfers/transfer_progress_delegate.h"
#include "ui/transfers/transfer_tree_view.h"

namespace kp {
namespace {

constexpr int kDetailsWidth = 230;

QToolButton* NewToggleButton(QWidget* parent, const QString& name, Qt::ArrowType arrow) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setArrowType(arrow);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

}  // namespace

TTransferSection::TTransferSection(TTransferList& list, TSimpleConfig& language, std::string programFolder,
                                   QWidget* parent)
    : QWidget(parent),
      list_(list),
      language_(language),
      programFolder_(std::move(programFolder)),
      bar_(new QToolBar(this)),
      popup_(new QMenu(this)),
      commands_(popup_, bar_, &commandImages_, this) {
  const QString prefix =
      list.Direction() == TransferDirection::Download ? QStringLiteral("Download") : QStringLiteral("Upload");
  setObjectName(prefix + QStringLiteral("Section"));
  bar_->setObjectName(prefix + QStringLiteral("CommandBar"));
  bar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  // The bar keeps the height it has with buttons, so the list does not jump
  // when the first selection brings them.
  QAction* probe = bar_->addAction(style()->standardIcon(QStyle::SP_FileIcon), QStringLiteral("M"));
  bar_->setMinimumHeight(bar_->sizeHint().height());
  bar_->removeAction(probe);
  delete probe;
  popup_->setObjectName(prefix + QStringLiteral("Popup"));

  model_ = new TTransferModel(list_, language_, this);
  view_ = new TTransferTreeView(this);
  view_->setObjectName(prefix + QStringLiteral("ListView"));
  view_->setModel(model_);
  const int progressColumn = model_->ColumnOf(TTransferModel::Cell::Progress);
  view_->setItemDelegateForColumn(progressColumn, new TTransferProgressDelegate(view_));
  // Widths that fit a 1280-pixel screen beside the details panel; the name
  // gets what the tree's indentation takes from it.
  using Cell = TTransferModel::Cell;
  constexpr std::pair<Cell, int> kWidths[] = {
      {Cell::Name, 280}, {Cell::Status, 130},     {Cell::Nick, 80},   {Cell::Progress, 100},
      {Cell::Size, 80},  {Cell::Transferred, 85}, {Cell::Speed, 115}, {Cell::Estimated, 60}};
  for (const auto& [cell, width] : kWidths) view_->header()->resizeSection(model_->ColumnOf(cell), width);

  details_ = new TTransferDetails(list_, language_, this);
  details_->setFixedWidth(kDetailsWidth);
  // The panel sits at the right: the arrow points where it goes.
  showButton_ = NewToggleButton(this, prefix + QStringLiteral("StatusRightButton"), Qt::LeftArrow);
  hideButton_ = NewToggleButton(this, prefix + QStringLiteral("StatusLeftButton"), Qt::RightArrow);
  connect(showButton_, &QToolButton::clicked, this, [this] { SetDetailsShown(true); });
  connect(hideButton_, &QToolButton::clicked, this, [this] { SetDetailsShown(false); });

  auto* toggles = new QVBoxLayout();
  toggles->setContentsMargins(0, 0, 0, 0);
  toggles->addWidget(showButton_);
  toggles->addWidget(hideButton_);
  toggles->addStretch(1);
  auto* body = new QHBoxLayout();
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(2);
  body->addWidget(view_, 1);
  body->addLayout(toggles);
  body->addWidget(details_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar_);
  layout->addLayout(body, 1);
  SetDetailsShown(false);

  commandsRequest_.setSingleShot(true);
  commandsRequest_.setInterval(0);
  connect(&commandsRequest_, &QTimer::timeout, this, &TTransferSection::RefreshCommands);
  connect(model_, &TTransferModel::rowsRefreshed, this, &TTransferSection::RefreshDetails);
  connect(view_, &TTransferTreeView::inputHandled, this, &TTransferSection::RefreshCommands);
  connect(view_, &TTransferTreeView::openRequested, this,
          [this] { RunCommand(kOpenTransferFile, nullptr, false); });
  connect(view_, &TTransferTreeView::removeRequested, this,
          [this] { RunCommand(kRemoveTransfer, nullptr, false); });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TTransferSection::SelectionChanged);
  connect(view_, &QWidget::customContextMenuRequested, this, &TTransferSection::ShowContextMenu);
  commands_.OnMenuClick = [this](TCommandManager&, std::uint32_t, std::int32_t command,
                                 TPluginHolder* owner) { RunCommand(command, owner, true); };
  commands_.OnButtonClick = [this](TCommandManager&, std::uint32_t, std::int32_t command,
                                   TPluginHolder* owner) { RunCommand(command, owner, false); };

  list_.SetView(this);
  RefreshCommands();
}

TTransferSection::~TTransferSection() {
  list_.SetView(nullptr);
  // The view lets go of the rows before the model goes.
  view_->setModel(nullptr);
}

void TTransferSection::SetDetailsShown(bool shown) {
  const bool toggleHadFocus = showButton_->hasFocus() || hideButton_->hasFocus();
  detailsShown_ = shown;
  details_->setVisible(shown);
  showButton_->setVisible(!shown);
  hideButton_->setVisible(shown);
  // A keyboard user keeps the focus on the toggle.
  if (toggleHadFocus) (shown ? hideButton_ : showButton_)->setFocus();
}

void TTransferSection::ApplyLanguage() {
  model_->ApplyLanguage();
  details_->ApplyLanguage();
  RefreshCommands();
}

const std::string& TTransferSection::IconFile(std::string_view name) {
  auto found = icons_.find(std::string(name));
  if (found == icons_.end()) {
    found = icons_.emplace(std::string(name), ResolveIconFile(name, "", programFolder_)).first;
  }
  return found->second;
}

void TTransferSection::SelectionChanged() {
  // A selection that changes while the core removes rows is served when the
  // core has finished.
  if (structureChanges_ > 0) {
    commandsRequest_.start();
  } else {
    RefreshCommands();
  }
}

void TTransferSection::RefreshCommands() {
  // A plugin asked about the selection may change the list and so ask for a
  // rebuild from inside this one: that runs once more afterwards, not in the
  // middle of it.
  if (rebuilding_) {
    rebuildAgain_ = true;
    return;
  }
  rebuilding_ = true;
  commandsRequest_.stop();
  RefreshOnce();
  if (rebuildAgain_) {
    rebuildAgain_ = false;
    RefreshOnce();
  }
  rebuilding_ = false;
}

void TTransferSection::RefreshOnce() {
  commands_.ClearCommands();
  const std::vector<TTransferBase*> selection = SelectedNodes();
  if (!selection.empty()) {
    const TCommandOffer offer = OfferCommands(list_, selection);
    for (const TOfferedCommand& command : offer.Commands) {
      if (command.IsSeparator()) {
        commands_.AddButton(0, nullptr, "", "-");
        commands_.AddMenuEntry(0, 0, nullptr, "", "-");
        continue;
      }
      const std::string caption = GetLanguageText(command.Caption, language_);
      const std::string& icon = IconFile(command.IconFile);
      commands_.AddButton(command.Command, nullptr, icon, caption);
      commands_.AddMenuEntry(command.Command, 0, nullptr, icon, caption);
    }
    if (offer.SelectTarget) list_.SelectTransfer(*offer.SelectTarget);
  }
  RefreshDetails();
}

void TTransferSection::RefreshDetails() { details_->ShowNode(FirstSelected()); }

TTransferBase* TTransferSection::FirstSelected() const {
  // The first range is the first selection; asking for every selected row
  // would cost as much as the selection is large, at every frame.
  for (const QItemSelectionRange& range : view_->selectionModel()->selection()) {
    if (range.isValid() && !range.isEmpty()) return model_->NodeAt(range.topLeft());
  }
  return nullptr;
}

std::vector<TTransferBase*> TTransferSection::SelectedNodes() const {
  std::vector<TTransferBase*> nodes;
  for (const QModelIndex& row : view_->selectionModel()->selectedRows()) {
    if (TTransferBase* node = model_->NodeAt(row)) nodes.push_back(node);
  }
  return nodes;
}

void TTransferSection::RunCommand(std::int32_t command, TPluginHolder* owner, bool fromMenu) {
  const std::vector<TTransferBase*> selection = SelectedNodes();
  if (selection.empty()) return;
  list_.ApplyCommand(selection, command, owner, fromMenu);
}

void TTransferSection::ShowContextMenu(const QPoint& at) {
  // The click or key that opened the menu rebuilt the commands; one the core
  // asked for since is served before the menu shows.
  if (commandsRequest_.isActive()) RefreshCommands();
  if (!popup_->actions().isEmpty()) popup_->popup(view_->viewport()->mapToGlobal(at));
}

void TTransferSection::NodeInserting(const TTransferGroup* parent, std::int32_t row) {
  ++structureChanges_;
  inserting_ = {parent, row};
  model_->NodeInserting(parent, row);
}

void TTransferSection::NodeInserted() {
  model_->NodeInserted();
  --structureChanges_;
  // A new group under the root opens at once: a closed one would hide the
  // transfer the user has just started. (The root opens when the core says.)
  const auto [parent, row] = inserting_;
  if (!parent || row < 0) return;
  const auto at = static_cast<std::size_t>(row);
  if (at < parent->Children.size() && !parent->Children[at]->IsItem()) {
    view_->expand(model_->IndexOf(*parent->Children[at]));
  }
}

void TTransferSection::NodeRemoving(const TTransferBase& node) {
  ++structureChanges_;
  model_->NodeRemoving(node);
}

void TTransferSection::NodeRemoved() {
  model_->NodeRemoved();
  --structureChanges_;
}

void TTransferSection::ExpandRoot() { view_->expand(model_->index(0, 0)); }

void TTransferSection::RowChanged(const TTransferBase& node) { model_->RowChanged(node); }

void TTransferSection::AllRowsChanged() { model_->AllRowsChanged(); }

void TTransferSection::CommandsChanged() {
  // Also while rebuilding: what a plugin changed meanwhile is served next.
  commandsRequest_.start();
}

void TTransferSection::SpeedsSampled() { RefreshDetails(); }

bool TTransferSection::ConfirmGroupRemoval() {
  QMessageBox question(QMessageBox::Question, QString(),
                       LanguageText(language_, TextsOf(list_.Direction()).RemoveGroupQuestion),
                       QMessageBox::Yes | QMessageBox::No, this);
  question.setDefaultButton(QMessageBox::No);
  return question.exec() == QMessageBox::Yes;
}

void TTransferSection::AddPluginButton(TPluginHolder* owner, std::int32_t command,
                                       std::string_view description, const std::string& iconFile) {
  commands_.AddButton(command, owner, iconFile, description);
}

std::uint32_t TTransferSection::AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command,
                                                   std::uint32_t parentMenu, std::string_view description,
                                                   const std::string& iconFile) {
  if (parentMenu != 0 && !commands_.FindMenuEntry(parentMenu)) return 0;
  return commands_.AddMenuEntry(command, parentMenu, owner, iconFile, description);
}

}  // namespace kp
