#include "ui/sharing/shared_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <string_view>

#include "core/config/settings.h"
#include "core/config/text_basics.h"
#include "core/host/process_dispatch.h"
#include "core/sharing/share_manager.h"
#include "ui/controls/list_keys.h"
#include "ui/sharing/scan_progress_window.h"
#include "ui/sharing/share_dialogs.h"
#include "ui/shell/image_list.h"
#include "ui/shell/language_text.h"

namespace kp {
namespace {

constexpr int kItemRole = Qt::UserRole;

// The path lies at or below the folder (paths without their final "/").
bool Within(std::string_view path, std::string_view folder, bool below) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  while (folder.size() > 1 && folder.back() == '/') folder.remove_suffix(1);
  if (path == folder) return true;
  if (!below || path.size() <= folder.size() || path.substr(0, folder.size()) != folder) return false;
  return folder == "/" || path[folder.size()] == '/';
}

}  // namespace

// Takes the events of the page's own tree while the system scan runs; they
// arrive on the main thread.
class TSharedPage::TScanHook final : public TShareListener {
 public:
  explicit TScanHook(TSharedPage& page) : page_(page) {}

  void OnAddDirectory(TShareManager& /*sender*/, const std::shared_ptr<TShareDirectory>& directory) override {
    if (directory) page_.ScanFoundFolder(*directory);
  }
  void OnAddFile(TShareManager& /*sender*/, const std::shared_ptr<TShareFile>& file) override {
    if (file) page_.ScanFoundFile(*file);
  }
  void OnScanStatus(TShareManager& /*sender*/, const std::string& fileName) override {
    if (page_.scanWindow_) page_.scanWindow_->ShowStatus(fileName);
  }
  void OnScanEnd(TShareManager& /*sender*/) override {
    page_.scanEnded_ = true;
    if (page_.scanWindow_) page_.scanWindow_->accept();
  }

 private:
  TSharedPage& page_;
};

TSharedPage::TSharedPage(TSharedPageContext context, QWidget* parent)
    : QWidget(parent),
      context_(std::move(context)),
      images_(std::make_unique<TImageList>()),
      dialogs_(std::make_unique<TShareDialogContext>(
          TShareDialogContext{context_.Language, *images_, context_.ProgramFolder, nullptr})),
      scanHook_(std::make_unique<TScanHook>(*this)) {
  list_ = new QTreeWidget();
  list_->setObjectName(QStringLiteral("sharedItems"));
  list_->setColumnCount(1);
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setExpandsOnDoubleClick(false);
  list_->installEventFilter(this);
  connect(list_, &QTreeWidget::itemSelectionChanged, this, &TSharedPage::UpdateButtons);
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { EditSelected(); });

  addFolder_ = new QPushButton();
  addFile_ = new QPushButton();
  edit_ = new QPushButton();
  remove_ = new QPushButton();
  addFolder_->setObjectName(QStringLiteral("addFolder"));
  addFile_->setObjectName(QStringLiteral("addFile"));
  edit_->setObjectName(QStringLiteral("edit"));
  remove_->setObjectName(QStringLiteral("remove"));
  connect(addFolder_, &QPushButton::clicked, this, &TSharedPage::AddFolder);
  connect(addFile_, &QPushButton::clicked, this, &TSharedPage::AddFile);
  connect(edit_, &QPushButton::clicked, this, &TSharedPage::EditSelected);
  connect(remove_, &QPushButton::clicked, this, &TSharedPage::RemoveSelected);

  listBox_ = new QGroupBox();
  auto* buttons = new QVBoxLayout();
  buttons->addWidget(addFolder_);
  buttons->addWidget(addFile_);
  buttons->addWidget(edit_);
  buttons->addWidget(remove_);
  buttons->addStretch();
  auto* listLayout = new QHBoxLayout(listBox_);
  listLayout->addWidget(list_, 1);
  listLayout->addLayout(buttons);

  typesBox_ = new QGroupBox();
  extensionsLabel_ = new QLabel();
  extensions_ = new QLineEdit();
  extensions_->setObjectName(QStringLiteral("scanExtensions"));
  extensionsLabel_->setBuddy(extensions_);
  scan_ = new QPushButton();
  scan_->setObjectName(QStringLiteral("scanSystem"));
  connect(scan_, &QPushButton::clicked, this, &TSharedPage::ScanSystem);
  auto* typesLayout = new QHBoxLayout(typesBox_);
  typesLayout->addWidget(extensionsLabel_);
  typesLayout->addWidget(extensions_, 1);
  typesLayout->addWidget(scan_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listBox_, 1);
  layout->addWidget(typesBox_);

  // Items the live tree makes while the dialog is closed (the download folder,
  // a plugin's share) reach the copy too.
  context_.Items.SetWorkingCopy(&copy_);
  ApplyLanguage();
  UpdateButtons();
}

TSharedPage::~TSharedPage() {
  if (context_.Items.WorkingCopy() == &copy_) context_.Items.SetWorkingCopy(nullptr);
  scanWindow_ = nullptr;
  // Stops a scan first; the hook it reports to goes after it.
  scanShares_.reset();
}

void TSharedPage::SetUsers(TUsers* users) noexcept { dialogs_->Users = users; }

void TSharedPage::ApplyLanguage() {
  TSimpleConfig& language = context_.Language;
  listBox_->setTitle(LanguageText(language, text::kSharedPageList));
  list_->setHeaderLabels({LanguageText(language, text::kSharedPageNameColumn)});
  addFolder_->setText(LanguageText(language, text::kSharedPageAddFolder));
  addFile_->setText(LanguageText(language, text::kSharedPageAddFile));
  edit_->setText(LanguageText(language, text::kEdit));
  remove_->setText(LanguageText(language, text::kRemove));
  typesBox_->setTitle(LanguageText(language, text::kSharedPageFileTypes));
  extensionsLabel_->setText(LanguageText(language, text::kSharedPageExtensions));
  scan_->setText(LanguageText(language, text::kSharedPageScanSystem));
}

void TSharedPage::Load() {
  extensions_->setText(QString::fromStdString(context_.Settings.SharedItems.ScanExtensions));
  copy_.Entries.clear();
  copy_.Removed.clear();
  for (std::size_t i = 0; i < context_.Items.Count(); ++i) {
    const TSharedItem& live = context_.Items.ItemAt(i);
    auto item = std::make_unique<TSharedItem>();
    item->CopyFrom(live);
    copy_.Entries.push_back({SharedItemKey(live.Name), std::move(item)});
  }
  Rebuild();
}

void TSharedPage::Store() { context_.Settings.SharedItems.ScanExtensions = extensions_->text().toStdString(); }

void TSharedPage::ApplyItems() {
  context_.Items.ApplySharedItems(copy_);
  Rebuild();
}

void TSharedPage::Rebuild() {
  list_->clear();
  for (const TSharedWorkingCopy::TEntry& entry : copy_.Entries) AddRow(*entry.Item);
  UpdateButtons();
}

void TSharedPage::AddRow(const TSharedItem& item) {
  auto* row = new QTreeWidgetItem();
  row->setText(0, QString::fromStdString(item.Name));
  row->setIcon(0, BuiltinImage(item.IsFolder ? 2 : 3));
  row->setData(0, kItemRole, QVariant::fromValue(reinterpret_cast<quintptr>(&item)));
  if (item.IsFolder) {
    list_->insertTopLevelItem(0, row);
  } else {
    list_->addTopLevelItem(row);
  }
}

TSharedItem* TSharedPage::ItemOfRow(const QTreeWidgetItem* row) const {
  if (!row) return nullptr;
  const auto address = row->data(0, kItemRole).value<quintptr>();
  // Only an item the copy still holds is handed out.
  for (const TSharedWorkingCopy::TEntry& entry : copy_.Entries) {
    if (reinterpret_cast<quintptr>(entry.Item.get()) == address) return entry.Item.get();
  }
  return nullptr;
}

void TSharedPage::UpdateButtons() {
  const bool selected = !list_->selectedItems().isEmpty();
  edit_->setEnabled(selected);
  remove_->setEnabled(selected);
}

void TSharedPage::AddFolder() {
  TSharedFolderDialog dialog(*dialogs_, copy_, nullptr, extensions_->text().toStdString(), this);
  if (dialog.exec() == QDialog::Accepted) Rebuild();
}

void TSharedPage::AddFile() {
  TSharedFileDialog dialog(*dialogs_, copy_, nullptr, this);
  if (dialog.exec() == QDialog::Accepted) Rebuild();
}

void TSharedPage::EditSelected() {
  QTreeWidgetItem* row = nullptr;
  // The first selected row in the list's order.
  for (int i = 0; i < list_->topLevelItemCount() && !row; ++i) {
    if (list_->topLevelItem(i)->isSelected()) row = list_->topLevelItem(i);
  }
  TSharedItem* item = ItemOfRow(row);
  if (!item) return;
  int result = QDialog::Rejected;
  if (item->IsFolder) {
    TSharedFolderDialog dialog(*dialogs_, copy_, item, extensions_->text().toStdString(), this);
    result = dialog.exec();
  } else {
    TSharedFileDialog dialog(*dialogs_, copy_, item, this);
    result = dialog.exec();
  }
  if (result == QDialog::Accepted) row->setText(0, QString::fromStdString(item->Name));
}

void TSharedPage::RemoveSelected() {
  const QList<QTreeWidgetItem*> rows = list_->selectedItems();
  if (rows.isEmpty()) return;
  TDeleteShareDialog question(context_.Language, this);
  if (question.exec() != QDialog::Accepted) return;
  for (QTreeWidgetItem* row : rows) {
    const TSharedItem* item = ItemOfRow(row);
    if (!item) continue;
    const auto entry = std::ranges::find_if(
        copy_.Entries, [item](const TSharedWorkingCopy::TEntry& e) { return e.Item.get() == item; });
    // Under the key the copy knows it by: a renamed item keeps its old key until applied.
    if (std::ranges::find(copy_.Removed, entry->Key) == copy_.Removed.end()) copy_.Removed.push_back(entry->Key);
    copy_.Entries.erase(entry);
  }
  Rebuild();
}

TShareManager& TSharedPage::ScanShares() {
  if (!scanShares_) {
    scanShares_ = std::make_unique<TShareManager>(mainThread_ ? mainThread_ : &ProcessMainThreadQueue());
    scanShares_->SetListener(scanHook_.get());
  }
  return *scanShares_;
}

void TSharedPage::ScanSystem() {
  if (scanWindow_) return;  // one scan at a time
  TShareManager& shares = ScanShares();
  TScanProgressWindow window(context_.Language, this);
  shares.StopScan();
  shares.ClearFiles();
  shares.ClearDirectories();
  shares.ClearRules();
  shares.LoadRules(context_.ProgramFolder);
  scanWindow_ = &window;
  scanEnded_ = false;
  shares.StartScan(extensions_->text().toStdString());
  // The window's own event loop keeps the program alive meanwhile; the scan's
  // finds and its end come to the hook through it.
  if (!scanEnded_) window.exec();
  scanWindow_ = nullptr;
  // Closed by the user: the scan stops at its next entry.
  shares.StopScan();
  shares.ClearFiles();
  shares.ClearDirectories();
}

void TSharedPage::ScanFoundFolder(const TShareDirectory& directory) {
  const std::string name = directory.Name();
  const std::string path = directory.RealPath();
  if (WorkingNameTaken(copy_, name)) return;
  // The page's tree starts empty, so the scan cannot know what the working
  // copy shares already; the same folder is not shared twice.
  for (const TSharedWorkingCopy::TEntry& entry : copy_.Entries) {
    const TSharedItem& item = *entry.Item;
    if (item.IsFolder && Within(path, item.RealPath, item.IncludeSubdirectories)) return;
  }
  auto item = std::make_unique<TSharedItem>();
  item->IsFolder = true;
  item->RealPath = path;
  item->Name = name;
  item->IncludeSubdirectories = directory.IncludeSubdirectories();
  item->Extensions = extensions_->text().toStdString();
  AddRow(PutWorkingItem(copy_, std::move(item)));
}

void TSharedPage::ScanFoundFile(const TShareFile& file) {
  const std::string name = file.Name();
  const std::string path = file.RealPath();
  if (WorkingNameTaken(copy_, name)) return;
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
  for (const TSharedWorkingCopy::TEntry& entry : copy_.Entries) {
    const TSharedItem& item = *entry.Item;
    if (item.IsFolder ? Within(folder, item.RealPath, item.IncludeSubdirectories) : item.RealPath == path) return;
  }
  auto item = std::make_unique<TSharedItem>();
  item->IsFolder = false;
  item->RealPath = path;
  item->Name = name;
  AddRow(PutWorkingItem(copy_, std::move(item)));
}

bool TSharedPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && ActOnListKey(event, [this] { EditSelected(); }, [this] { RemoveSelected(); })) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kp

// The meta-object code of the class, compiled with it.
#include "moc_shared_page.cpp"
