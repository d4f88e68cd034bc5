#include "ui/sharing/shared_files_section.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <chrono>
#include <vector>

#include "core/config/global_stores.h"
#include "core/config/settings.h"
#include "core/config/shared_routines.h"
#include "core/config/wildcard.h"
#include "core/host/plugin_events.h"
#include "core/services/service_registry.h"
#include "core/sharing/share_folder_reader.h"
#include "core/sharing/shared_access_check.h"
#include "core/users/users.h"
#include "ui/sharing/shared_files_model.h"
#include "ui/shell/language_text.h"

namespace kp {
namespace {

enum ChoiceImage { kFolderChoice = 0, kRootChoice = 3 };
// How long a navigation waits for its folder before it lets the read go on
// alone: long enough for any folder already known, short enough not to be felt.
constexpr std::chrono::milliseconds kReadAtOnce{50};
constexpr int kPathRole = Qt::UserRole;
constexpr int kServiceRole = Qt::UserRole;
constexpr int kUserRole = Qt::UserRole + 1;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

std::vector<std::string> PathComponents(std::string_view path) {
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    if (end > start) components.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return components;
}

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// The entry the cursor stands on, as plugins are handed it.
std::unique_ptr<TSharedResultRecord> RecordOf(const TShareResults& cursor) {
  auto record = std::make_unique<TSharedResultRecord>();
  record->SetTexts(cursor.Name(), cursor.VirtualPath(), cursor.RealPath());
  TSharedResult& r = record->Record();
  const bool file = !cursor.IsDirectory();
  r.iSize = file ? static_cast<std::int32_t>(cursor.Size()) : 0;
  r.iBitrate = file ? static_cast<std::int32_t>(cursor.Bitrate()) : 0;
  r.iLength = file ? static_cast<std::int32_t>(cursor.Length()) : 0;
  r.iFrequency = file ? static_cast<std::int32_t>(cursor.Frequency()) : 0;
  r.bMP3 = file && cursor.IsMP3() ? 1 : 0;
  r.bDirectory = file ? 0 : 1;
  return record;
}

QString RightsText(const TShareAccess& access, TSimpleConfig& language) {
  QStringList rights{LanguageText(language, text::kSharedRightRead)};
  const std::pair<bool, TTextId> more[] = {{access.AllowWrite, text::kSharedRightWrite},
                                           {access.AllowCreateDirectory, text::kSharedRightCreateFolders},
                                           {access.AllowDelete, text::kSharedRightDelete},
                                           {access.AllowRemoveDirectory, text::kSharedRightRemoveFolders},
                                           {access.IncludeInSearchRequests, text::kSharedRightFoundBySearches}};
  for (const auto& [granted, name] : more) {
    if (granted) rights << LanguageText(language, name);
  }
  return rights.join(QStringLiteral(", "));
}

QIcon ChoiceIcon(int image) {
  return QApplication::style()->standardIcon(image == kRootChoice ? QStyle::SP_DriveHDIcon
                                                                  : QStyle::SP_DirIcon);
}

}  // namespace

void TViewerBox::showPopup() {
  if (BeforePopup) BeforePopup();
  QComboBox::showPopup();
}

TSharedFilesSection::TSharedFilesSection(TSharedFilesContext context, QWidget* parent)
    : QWidget(parent),
      context_(std::move(context)),
      bar_(new QToolBar(this)),
      popup_(new QMenu(this)),
      commands_(popup_, bar_, &commandImages_, this) {
  setObjectName(QStringLiteral("SharedSection"));
  bar_->setObjectName(QStringLiteral("SharedCommandBar"));
  bar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  popup_->setObjectName(QStringLiteral("SharedPopup"));

  locationCaption_ = new QLabel(this);
  location_ = new QLabel(this);
  location_->setObjectName(QStringLiteral("SharedLocationLabel"));
  location_->setContentsMargins(4, 0, 0, 0);  // apart from its caption
  choices_ = new QComboBox(this);
  choices_->setObjectName(QStringLiteral("SharedLocationChoices"));
  choices_->setMinimumContentsLength(24);
  up_ = new QToolButton(this);
  up_->setObjectName(QStringLiteral("SharedUpButton"));
  up_->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
  viewers_ = new TViewerBox(this);
  viewers_->setObjectName(QStringLiteral("SharedViewerChoices"));
  viewers_->setSizeAdjustPolicy(QComboBox::AdjustToContents);

  model_ = new TSharedFilesModel(context_.Language, this);
  view_ = new QTreeView(this);
  view_->setObjectName(QStringLiteral("SharedListView"));
  view_->setRootIsDecorated(false);
  view_->setUniformRowHeights(true);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  view_->setModel(model_);
  view_->header()->resizeSection(TSharedFilesModel::Name, 260);
  view_->setColumnHidden(TSharedFilesModel::Rights, true);
  view_->installEventFilter(this);

  auto* top = new QHBoxLayout();
  top->setContentsMargins(4, 2, 4, 2);
  top->addWidget(locationCaption_);
  top->addWidget(location_, 1);
  top->addWidget(choices_);
  top->addWidget(up_);
  top->addSpacing(12);
  viewAsCaption_ = new QLabel(this);
  top->addWidget(viewAsCaption_);
  top->addWidget(viewers_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addLayout(top);
  layout->addWidget(bar_);
  layout->addWidget(view_, 1);

  reader_ = std::make_unique<TShareFolderReader>(context_.Items.Shares(), [this](std::uint64_t ticket) {
    QMetaObject::invokeMethod(this, [this, ticket] { ShowRead(ticket); }, Qt::QueuedConnection);
  });
  fillTimer_.setInterval(0);
  connect(&fillTimer_, &QTimer::timeout, this, &TSharedFilesSection::FillBatch);
  itemsChanged_.setSingleShot(true);
  itemsChanged_.setInterval(0);
  connect(&itemsChanged_, &QTimer::timeout, this, &TSharedFilesSection::ShowAgain);

  connect(up_, &QToolButton::clicked, this, &TSharedFilesSection::GoUp);
  // Queued: the choice navigates, which rebuilds the very list that reports it.
  connect(choices_, &QComboBox::currentIndexChanged, this, &TSharedFilesSection::ChoiceChanged,
          Qt::QueuedConnection);
  viewers_->BeforePopup = [this] { RebuildViewerChoices(); };
  connect(viewers_, &QComboBox::activated, this, [this](int index) {
    ViewAs({viewers_->itemData(index, kServiceRole).toUInt(),
            viewers_->itemData(index, kUserRole).toString().toStdString()});
  });
  connect(view_, &QTreeView::doubleClicked, this, [this] { OpenSelected(); });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TSharedFilesSection::RefreshCommands);
  connect(view_, &QWidget::customContextMenuRequested, this, &TSharedFilesSection::ShowContextMenu);
  commands_.OnMenuClick = [this](TCommandManager&, std::uint32_t, std::int32_t command,
                                 TPluginHolder* owner) { RunCommand(command, owner, true); };
  commands_.OnButtonClick = [this](TCommandManager&, std::uint32_t, std::int32_t command,
                                   TPluginHolder* owner) { RunCommand(command, owner, false); };

  ApplyLanguage();
  context_.Items.SetSection(this);
  // Only somebody else's view depends on the rights; the local user's follows the tree.
  context_.Items.SetChangedHandler([this] {
    if (!viewer_.Myself()) itemsChanged_.start();
  });
}

TSharedFilesSection::~TSharedFilesSection() {
  reader_.reset();
  context_.Items.SetChangedHandler(nullptr);
  context_.Items.SetSection(nullptr);
  StopFilling();
  selected_ = nullptr;
  view_->setModel(nullptr);
}

void TSharedFilesSection::ApplyLanguage() {
  model_->ApplyLanguage();
  locationCaption_->setText(LanguageText(context_.Language, text::kSharedLocationLabel));
  viewAsCaption_->setText(LanguageText(context_.Language, text::kSharedViewAsLabel));
  RebuildViewerChoices();
  if (choices_->count() > 0) {
    choices_->setItemText(0, LanguageText(context_.Language, text::kSharedRootChoice));
  }
  RefreshCommands();
}

// ---- navigation ----------------------------------------------------------------

void TSharedFilesSection::Navigate(const std::string& path, bool rebuild) {
  choicesBlocked_ = true;
  locationPath_ = path;
  StopFilling();
  selected_ = nullptr;
  model_->Clear();
  RefreshCommands();
  location_->setText(QString::fromStdString(path));
  rebuildChoices_ = rebuild;
  reading_ = false;
  // A folder the viewer may not list shows nothing; the disk is not even read.
  if (!RightsAt(path)) {
    if (rebuild) BuildChoices(path);
    choicesBlocked_ = false;
    return;
  }
  choicesBlocked_ = false;
  readTicket_ = reader_->Read(path);
  reading_ = true;
  if (reader_->WaitFor(readTicket_, kReadAtOnce)) ShowRead(readTicket_);
}

void TSharedFilesSection::ShowRead(std::uint64_t ticket) {
  // Another folder was asked for since, or this one is listed already.
  if (!reading_ || ticket != readTicket_) return;
  reading_ = false;
  choicesBlocked_ = true;
  if (rebuildChoices_) BuildChoices(locationPath_);
  cursor_ = context_.Items.Shares().OpenResults(locationPath_, false, TShareRead::AsKnown);
  choicesBlocked_ = false;
  // A small folder is complete at once; a large one goes on in later turns.
  FillBatch();
}

void TSharedFilesSection::FillBatch() {
  if (!cursor_) return;
  std::vector<TSharedFilesModel::TNewRow> rows;
  bool more = false;
  for (std::size_t stepped = 0; !(more = stepped >= batchSize_) && cursor_->Next(); ++stepped) {
    std::optional<QString> rights = RightsAt(cursor_->VirtualPath());
    if (rights) rows.push_back({RecordOf(*cursor_), std::move(*rights)});
  }
  model_->AddRows(std::move(rows));
  if (more) {
    fillTimer_.start();
    return;
  }
  StopFilling();
  SelectFirstRow();
}

void TSharedFilesSection::StopFilling() {
  fillTimer_.stop();
  // Closed at once: an open cursor holds back the tree's purging.
  if (cursor_) context_.Items.Shares().CloseResults(std::move(cursor_));
  cursor_.reset();
}

void TSharedFilesSection::SelectFirstRow() {
  view_->selectionModel()->clearSelection();
  if (model_->rowCount() == 0) return;
  const QModelIndex first = model_->index(0, 0);
  view_->selectionModel()->setCurrentIndex(first,
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TSharedFilesSection::GoUp() {
  // Up to and including the last separator that does not end the text:
  // "/Music/Rock" gives "/Music/", "/Music/" gives "/".
  const std::string& path = locationPath_;
  std::size_t at = path.size() > 1 ? path.find_last_of("/\\", path.size() - 2) : std::string::npos;
  Navigate(at == std::string::npos ? std::string("/") : path.substr(0, at + 1), true);
}

void TSharedFilesSection::AddChoice(const std::string& path, const std::string& caption, int indent,
                                    int image) {
  choices_->addItem(ChoiceIcon(image),
                    QString(indent * 2, QLatin1Char(' ')) + QString::fromStdString(caption),
                    QString::fromStdString(path));
}

void TSharedFilesSection::BuildChoices(const std::string& path) {
  choices_->clear();
  const std::vector<std::string> components = PathComponents(path);
  AddChoice("/", GetLanguageText(text::kSharedRootChoice, context_.Language), 0, kRootChoice);
  int chosen = 0;
  TShareManager& shares = context_.Items.Shares();
  // The folder at the path was just read; the tree knows the rest well enough.
  std::unique_ptr<TShareResults> top = shares.OpenResults("/", false, TShareRead::AsKnown);
  while (top->Next()) {
    if (!top->IsDirectory() || !RightsAt(top->VirtualPath())) continue;
    const std::string name = top->Name();
    AddChoice(top->VirtualPath(), name, 2, kFolderChoice);
    if (components.empty() || Upper(name) != Upper(components.front())) continue;
    chosen = choices_->count() - 1;
    std::string below = "/" + name;
    for (std::size_t k = 1; k < components.size(); ++k) {
      below += "/" + components[k];
      AddChoice(below, components[k], static_cast<int>(k) + 2, kFolderChoice);
      chosen = choices_->count() - 1;
    }
    std::unique_ptr<TShareResults> inner = shares.OpenResults(below, false, TShareRead::AsKnown);
    while (inner->Next()) {
      if (inner->IsDirectory()) {
        AddChoice(inner->VirtualPath(), inner->Name(), static_cast<int>(components.size()) + 3,
                  kFolderChoice);
      }
    }
    shares.CloseResults(std::move(inner));
  }
  shares.CloseResults(std::move(top));
  choices_->setCurrentIndex(chosen);
}

void TSharedFilesSection::ChoiceChanged() {
  if (choicesBlocked_ || choices_->currentIndex() < 0) return;
  const std::string path = choices_->currentData(kPathRole).toString().toStdString();
  // Building the choices sets the current one too: that is where the section is already.
  if (path == locationPath_) return;
  Navigate(path, true);
}

void TSharedFilesSection::OpenSelected() {
  const TSharedResultRecord* const record = FirstSelected();
  if (!record) return;
  const TSharedResult& r = record->Record();
  if (r.bDirectory) {
    Navigate(std::string(RecordText(r.sVirtualPath)), true);
    return;
  }
  const std::string_view realPath = RecordText(r.sRealPath);
  if (MayExecute(realPath)) ShellOpen(realPath);
}

bool TSharedFilesSection::MayExecute(std::string_view realPath) const {
  for (const std::string& mask : context_.Settings.SharedItems.ExecuteExtensions.Patterns()) {
    if (MatchWildcard(mask, realPath)) return true;
  }
  return false;
}

// ---- somebody else's view ------------------------------------------------------

std::optional<QString> TSharedFilesSection::RightsAt(std::string_view virtualPath) const {
  if (viewer_.Myself()) return QString();
  std::string password;
  if (!viewer_.User.empty()) {
    if (const TServiceHolder* service = context_.Services.FindService(viewer_.Service)) {
      if (const TUserItem* user = context_.Users.FindUser(*service, viewer_.User)) password = user->Password;
    }
  }
  TShareAccess access{};
  if (!context_.Access.CheckAccess(viewer_.Service, viewer_.User, password, virtualPath, access)) {
    return std::nullopt;
  }
  return RightsText(access, context_.Language);
}

void TSharedFilesSection::ViewAs(const TSharedViewer& viewer) {
  viewer_ = viewer;
  RebuildViewerChoices();
  view_->setColumnHidden(TSharedFilesModel::Rights, viewer_.Myself());
  ShowAgain();
}

void TSharedFilesSection::ShowAgain() {
  // A folder the viewer may not list would show an empty list with no way to
  // tell why; the root always lists.
  Navigate(RightsAt(locationPath_) ? locationPath_ : std::string("/"), true);
}

void TSharedFilesSection::RebuildViewerChoices() {
  viewers_->clear();
  viewers_->addItem(LanguageText(context_.Language, text::kSharedViewerMyself), 0u);
  viewers_->setItemData(0, QString(), kUserRole);
  int current = 0;
  auto add = [this, &current](const QString& caption, std::uint32_t service, const std::string& user) {
    viewers_->addItem(caption, service);
    viewers_->setItemData(viewers_->count() - 1, QString::fromStdString(user), kUserRole);
    if (viewer_ == TSharedViewer{service, user}) current = viewers_->count() - 1;
  };
  const QString anybody = LanguageText(context_.Language, text::kSharedViewerAnybody);
  for (const TServiceHolder* service : context_.Services.Services()) {
    const QString name = QString::fromStdString(service->description);
    add(name + QStringLiteral(": ") + anybody, service->Handle(), "");
    for (const TUserItem& user : context_.Users.UsersOf(*service)) {
      add(name + QStringLiteral(": ") + QString::fromStdString(user.Name), service->Handle(), user.Name);
    }
  }
  viewers_->setCurrentIndex(current);
}

// ---- rows and commands -----------------------------------------------------------

void TSharedFilesSection::AddRow(std::unique_ptr<TSharedResultRecord> record) {
  if (!record) return;
  std::optional<QString> rights = RightsAt(RecordText(record->Record().sVirtualPath));
  if (!rights) return;
  std::vector<TSharedFilesModel::TNewRow> rows;
  rows.push_back({std::move(record), std::move(*rights)});
  model_->AddRows(std::move(rows));
}

TSharedResultRecord* TSharedFilesSection::FirstSelected() const {
  for (const QItemSelectionRange& range : view_->selectionModel()->selection()) {
    if (range.isValid() && !range.isEmpty()) return model_->RecordAt(range.top());
  }
  return nullptr;
}

const std::string& TSharedFilesSection::IconFile(std::string_view name) {
  auto found = icons_.find(std::string(name));
  if (found == icons_.end()) {
    found = icons_.emplace(std::string(name), ResolveIconFile(name, "", context_.ProgramFolder)).first;
  }
  return found->second;
}

void TSharedFilesSection::RefreshCommands() {
  // A plugin told of the selection may change it from inside: that is served
  // once more afterwards, not in the middle of this one.
  if (rebuilding_) {
    rebuildAgain_ = true;
    return;
  }
  rebuilding_ = true;
  RefreshOnce();
  while (rebuildAgain_) {
    rebuildAgain_ = false;
    RefreshOnce();
  }
  rebuilding_ = false;
}

void TSharedFilesSection::RefreshOnce() {
  commands_.ClearCommands();
  TSharedResultRecord* const record = FirstSelected();
  if (!record) return;
  selected_ = record;
  const TSharedResult& r = record->Record();
  auto offer = [this](TTextId caption, std::string_view icon) {
    const std::string text = GetLanguageText(caption, context_.Language);
    const std::string& file = IconFile(icon);
    commands_.AddButton(kOpenCommand, nullptr, file, text);
    commands_.AddMenuEntry(kOpenCommand, 0, nullptr, file, text);
  };
  if (r.bDirectory) {
    offer(text::kOpenFolderCommand, "OpenFolderIcon.bmp");
    commands_.AddMenuEntry(0, 0, nullptr, "", "-");
  } else if (MayExecute(RecordText(r.sRealPath))) {
    if (r.bMP3) {
      offer(text::kPlayCommand, "PlayIcon.bmp");
    } else {
      offer(text::kOpenFileCommand, "ExecuteIcon.bmp");
    }
  }
  context_.Items.NotifyShared(TSharedNotice::Select, r);
}

void TSharedFilesSection::RunCommand(std::int32_t command, TPluginHolder* owner, bool fromMenu) {
  if (owner) {
    const std::uint32_t handle = selected_ ? selected_->Handle() : 0;
    SendEvent(*owner, fromMenu ? EventNumber("OnSharedMenu") : EventNumber("OnSharedButton"), command,
              handle);
    return;
  }
  if (command == kOpenCommand) OpenSelected();
}

void TSharedFilesSection::AddPluginButton(TPluginHolder* owner, std::int32_t command,
                                          std::string_view description, const std::string& iconFile) {
  commands_.AddButton(command, owner, iconFile, description);
}

std::uint32_t TSharedFilesSection::AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command,
                                                      std::uint32_t parentMenu, std::string_view description,
                                                      const std::string& iconFile) {
  if (parentMenu != 0 && !commands_.FindMenuEntry(parentMenu)) return 0;
  return commands_.AddMenuEntry(command, parentMenu, owner, iconFile, description);
}

void TSharedFilesSection::ShowContextMenu(const QPoint& at) {
  if (!popup_->actions().isEmpty()) popup_->popup(view_->viewport()->mapToGlobal(at));
}

bool TSharedFilesSection::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OpenSelected();
      return true;
    }
    if (key == Qt::Key_Backspace) {
      GoUp();
      return true;
    }
    // Other keys move the selection first; the commands follow once they have.
    QTimer::singleShot(0, this, [this] { RefreshCommands(); });
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kp
