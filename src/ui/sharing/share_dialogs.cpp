#include "ui/sharing/share_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/host/guid.h"
#include "core/platform/file_io.h"
#include "core/services/service_registry.h"
#include "core/users/users.h"
#include "core/users/users_working_copy.h"
#include "ui/shell/image_list.h"
#include "ui/shell/language_text.h"

namespace kp {
namespace {

constexpr int kEntryRole = Qt::UserRole;  // the entry's index in the list; -1 on a service row
constexpr const char* kAllUsersIcon = "AllUsersIcon.bmp";
constexpr const char* kUserIcon = "UserIcon.bmp";
// What the saved access rights keep of a name: a longer one would come back
// cut, find no item, and its rights would be lost at the next start.
constexpr std::size_t kMaxSharedNameLength = kFixedTextSize - 2;

QString Text(TSimpleConfig& language, TTextId id) { return LanguageText(language, id); }

std::string Trimmed(const QLineEdit* field) { return std::string(Trim(field->text().toStdString())); }

QIcon Icon(TShareDialogContext& context, std::string_view file) {
  return context.Images.ImageFor(ResolveIconFile(file, {}, context.ProgramFolder));
}

std::string UserOf(const TShareAccess& access) {
  return std::string(FixedFieldText(access.UserName, sizeof(access.UserName)));
}

// The entry's service GUID field in the in-memory layout of a GUID.
TGuid GuidOf(const TShareAccess& access) {
  static_assert(sizeof(TGuid) == sizeof(access.ServiceID));
  const auto* bytes = reinterpret_cast<const unsigned char*>(&access.ServiceID);
  TGuid guid;
  std::memcpy(&guid.data1, bytes, 4);
  std::memcpy(&guid.data2, bytes + 4, 2);
  std::memcpy(&guid.data3, bytes + 6, 2);
  std::memcpy(guid.data4.data(), bytes + 8, 8);
  return guid;
}

const TServiceHolder* ServiceOf(const TShareDialogContext& context, const TShareAccess& access) {
  return context.Users ? context.Users->Services().FindServiceByGUID(GuidOf(access)) : nullptr;
}

QString ServiceText(const TShareDialogContext& context, const TShareAccess& access) {
  const TServiceHolder* service = ServiceOf(context, access);
  return service ? QString::fromStdString(service->description) : QString::fromStdString(GuidToText(GuidOf(access)));
}

void SetFlag(std::uint8_t& flag, const QCheckBox* box) { flag = box->isChecked() ? 1 : 0; }

// Flags of a record in the boxes' order.
std::uint8_t* Flags(TShareAccess& access, int index) {
  switch (index) {
    case 0: return &access.IncludeInSearchRequests;
    case 1: return &access.AllowWrite;
    case 2: return &access.AllowDelete;
    case 3: return &access.AllowCreateDirectory;
    default: return &access.AllowRemoveDirectory;
  }
}

constexpr TTextId kBoxTexts[5] = {text::kShareIncludeInSearches, text::kShareAllowWrite, text::kShareAllowDelete,
                                  text::kShareAllowCreateDirectory, text::kShareAllowRemoveDirectory};

QDialogButtonBox* OkCancel(QDialog& dialog, TSimpleConfig& language, QPushButton** ok) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  QPushButton* okButton = buttons->button(QDialogButtonBox::Ok);
  okButton->setText(Text(language, text::kOk));
  okButton->setObjectName(QStringLiteral("ok"));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text(language, text::kCancel));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (ok) *ok = okButton;
  return buttons;
}

// A field's caption, which a mnemonic in the language text leads to the field.
QLabel* Label(const QString& caption, QWidget* field) {
  auto* label = new QLabel(caption);
  label->setBuddy(field);
  return label;
}

// A field with a "..." button beside it.
QWidget* WithBrowseButton(QLineEdit* field, QPushButton* button) {
  auto* row = new QWidget();
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(field, 1);
  layout->addWidget(button);
  return row;
}

QString FolderPart(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? QString() : QString::fromStdString(path.substr(0, slash + 1));
}

}  // namespace

std::optional<std::string> ChooseShareFolder(QWidget* parent, TSimpleConfig& language, const std::string& start) {
  const QString chosen = QFileDialog::getExistingDirectory(parent, Text(language, text::kShareFolderChooserTitle),
                                                           QString::fromStdString(start),
                                                           QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

bool WorkingNameTaken(const TSharedWorkingCopy& copy, std::string_view name, const TSharedItem* except) {
  const std::string key = SharedItemKey(name);
  return std::ranges::any_of(copy.Entries, [&](const TSharedWorkingCopy::TEntry& entry) {
    return entry.Item.get() != except && SharedItemKey(entry.Item->Name) == key;
  });
}

TSharedItem& PutWorkingItem(TSharedWorkingCopy& copy, std::unique_ptr<TSharedItem> item) {
  const std::string key = SharedItemKey(item->Name);
  // An entry renamed since the copy was taken still goes by its old key; it is
  // another item and stays (applying it renames the live item out of the way).
  std::erase_if(copy.Entries, [&](const TSharedWorkingCopy::TEntry& entry) {
    return entry.Key == key && SharedItemKey(entry.Item->Name) == key;
  });
  std::erase(copy.Removed, key);
  copy.Entries.push_back({key, std::move(item)});
  return *copy.Entries.back().Item;
}

std::string ProposeFileName(const TSharedWorkingCopy& copy, std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (!WorkingNameTaken(copy, name)) return name;
  const std::size_t dot = name.rfind('.');
  const std::string base = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const std::string extension = base.size() == name.size() ? std::string() : name.substr(dot);
  // Every item takes one number at most, so the search ends after as many steps.
  for (std::size_t n = 2;; ++n) {
    std::string candidate = base + "(" + std::to_string(n) + ")" + extension;
    if (!WorkingNameTaken(copy, candidate)) return candidate;
  }
}

// ---- the access list --------------------------------------------------------------

TAccessListEditor::TAccessListEditor(TShareDialogContext& context, bool folder, QWidget* parent)
    : QWidget(parent), context_(context), folder_(folder) {
  tree_ = new QTreeWidget();
  tree_->setObjectName(QStringLiteral("access"));
  tree_->setColumnCount(1);
  tree_->setHeaderHidden(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setItemsExpandable(false);  // a service row always shows its entries
  tree_->setRootIsDecorated(false);
  tree_->setExpandsOnDoubleClick(false);
  tree_->installEventFilter(this);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TAccessListEditor::UpdateButtons);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { EditEntry(); });

  add_ = new QPushButton(Text(context_.Language, text::kAdd));
  edit_ = new QPushButton(Text(context_.Language, text::kEdit));
  remove_ = new QPushButton(Text(context_.Language, text::kRemove));
  add_->setObjectName(QStringLiteral("addAccess"));
  edit_->setObjectName(QStringLiteral("editAccess"));
  remove_->setObjectName(QStringLiteral("removeAccess"));
  connect(add_, &QPushButton::clicked, this, &TAccessListEditor::AddEntry);
  connect(edit_, &QPushButton::clicked, this, &TAccessListEditor::EditEntry);
  connect(remove_, &QPushButton::clicked, this, &TAccessListEditor::RemoveEntry);

  auto* buttons = new QVBoxLayout();
  buttons->addWidget(add_);
  buttons->addWidget(edit_);
  buttons->addWidget(remove_);
  buttons->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tree_, 1);
  layout->addLayout(buttons);
  SetLimited(false);
}

void TAccessListEditor::Load(const std::vector<TShareAccess>& entries) {
  entries_.clear();
  for (const TShareAccess& access : entries) {
    if (context_.Users) {
      const TServiceHolder* service = ServiceOf(context_, access);
      if (!service) continue;
      const std::string user = UserOf(access);
      if (!user.empty() && !context_.Users->FindUser(*service, user)) continue;
    }
    entries_.push_back(access);
  }
  Rebuild(std::nullopt);
}

void TAccessListEditor::SetLimited(bool limited) {
  limited_ = limited;
  tree_->setEnabled(limited);
  UpdateButtons();
}

std::optional<std::size_t> TAccessListEditor::SelectedEntry() const {
  const QList<QTreeWidgetItem*> selected = tree_->selectedItems();
  if (selected.isEmpty()) return std::nullopt;
  const int index = selected.front()->data(0, kEntryRole).toInt();
  if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return std::nullopt;
  return static_cast<std::size_t>(index);
}

void TAccessListEditor::UpdateButtons() {
  add_->setEnabled(limited_);
  const bool entry = limited_ && SelectedEntry().has_value();
  edit_->setEnabled(entry);
  remove_->setEnabled(entry);
}

void TAccessListEditor::Rebuild(std::optional<std::size_t> select) {
  tree_->clear();
  std::vector<std::pair<TGuid, QTreeWidgetItem*>> serviceRows;
  QTreeWidgetItem* selected = nullptr;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TShareAccess& access = entries_[i];
    const TGuid guid = GuidOf(access);
    auto found = std::ranges::find(serviceRows, guid, &std::pair<TGuid, QTreeWidgetItem*>::first);
    QTreeWidgetItem* parent = nullptr;
    if (found == serviceRows.end()) {
      parent = new QTreeWidgetItem(tree_);
      parent->setText(0, ServiceText(context_, access));
      if (const TServiceHolder* service = ServiceOf(context_, access)) {
        parent->setIcon(0, Icon(context_, service->onlineIconFileName));
      }
      parent->setData(0, kEntryRole, -1);
      serviceRows.emplace_back(guid, parent);
    } else {
      parent = found->second;
    }
    auto* row = new QTreeWidgetItem(parent);
    const std::string user = UserOf(access);
    if (user.empty()) {
      row->setText(0, Text(context_.Language, text::kShareAccessAllUsers));
      row->setIcon(0, Icon(context_, kAllUsersIcon));
    } else {
      row->setText(0, QString::fromStdString(user));
      row->setIcon(0, Icon(context_, kUserIcon));
    }
    row->setData(0, kEntryRole, static_cast<int>(i));
    if (select == i) selected = row;
  }
  tree_->expandAll();
  if (selected) tree_->setCurrentItem(selected);
  UpdateButtons();
}

void TAccessListEditor::AddEntry() {
  if (!limited_) return;
  const std::size_t before = entries_.size();
  TShareAccessDialog dialog(context_, folder_, entries_, this);
  if (dialog.exec() == QDialog::Accepted && entries_.size() > before) Rebuild(entries_.size() - 1);
}

void TAccessListEditor::EditEntry() {
  const std::optional<std::size_t> index = SelectedEntry();
  if (!limited_ || !index) return;
  TShareAccessDialog dialog(context_, folder_, entries_, *index, this);
  if (dialog.exec() == QDialog::Accepted) Rebuild(index);
}

void TAccessListEditor::RemoveEntry() {
  const std::optional<std::size_t> index = SelectedEntry();
  if (!limited_ || !index) return;
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*index));
  Rebuild(std::nullopt);
}

bool TAccessListEditor::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      EditEntry();
      return true;
    }
    if (key == Qt::Key_Delete) {
      RemoveEntry();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- one access entry ---------------------------------------------------------------

TShareAccessDialog::TShareAccessDialog(TShareDialogContext& context, bool folder, std::vector<TShareAccess>& entries,
                                       QWidget* parent)
    : QDialog(parent), context_(context), entries_(entries) {
  Build(folder, true);
  FillChoice();
  ShowBoxes(DefaultAllAccess());
  UpdateEnabling();
  choice_->setFocus();
}

TShareAccessDialog::TShareAccessDialog(TShareDialogContext& context, bool folder, std::vector<TShareAccess>& entries,
                                       std::size_t index, QWidget* parent)
    : QDialog(parent), context_(context), entries_(entries), index_(index) {
  Build(folder, false);
  const TShareAccess& access = entries_.at(index);
  const std::string user = UserOf(access);
  const QString who = user.empty() ? Text(context_.Language, text::kShareAccessAllUsers) : QString::fromStdString(user);
  entryLabel_->setText(ServiceText(context_, access) + QStringLiteral(" (") + who + QStringLiteral(")"));
  entryIcon_->setPixmap(Icon(context_, user.empty() ? kAllUsersIcon : kUserIcon).pixmap(16, 16));
  ShowBoxes(access);
  UpdateEnabling();
  boxes_[0]->setFocus();
}

void TShareAccessDialog::Build(bool folder, bool adding) {
  TSimpleConfig& language = context_.Language;
  setWindowTitle(Text(language, adding ? text::kShareAccessAddTitle : text::kShareAccessEditTitle));
  auto* label = new QLabel(Text(language, text::kShareAccessChoiceLabel));

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  if (adding) {
    choice_ = new QComboBox();
    choice_->setObjectName(QStringLiteral("choice"));
    label->setBuddy(choice_);
    connect(choice_, &QComboBox::currentIndexChanged, this, &TShareAccessDialog::UpdateEnabling);
    layout->addWidget(choice_);
  } else {
    auto* row = new QWidget();
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    entryIcon_ = new QLabel();
    entryLabel_ = new QLabel();
    entryLabel_->setObjectName(QStringLiteral("entry"));
    entryLabel_->setTextFormat(Qt::PlainText);  // names come from plugins and users
    rowLayout->addWidget(entryIcon_);
    rowLayout->addWidget(entryLabel_, 1);
    layout->addWidget(row);
  }
  if (folder) layout->addWidget(new QLabel(Text(language, text::kShareOptionsLabel)));
  const int count = folder ? 5 : 1;
  for (int i = 0; i < count; ++i) {
    boxes_[i] = new QCheckBox(Text(language, kBoxTexts[i]));
    layout->addWidget(boxes_[i]);
  }
  layout->addStretch();
  layout->addWidget(OkCancel(*this, language, &ok_));
}

void TShareAccessDialog::FillChoice() {
  auto* model = new QStandardItemModel(choice_);
  if (context_.Users) {
    for (const TServiceHolder* service : context_.Users->Services().Services()) {
      auto* serviceRow = new QStandardItem(Icon(context_, service->onlineIconFileName),
                                           QString::fromStdString(service->description));
      // A heading only: choosing a service means choosing its users or one of them.
      serviceRow->setFlags(Qt::NoItemFlags);
      serviceRow->setData(-1, kEntryRole);
      model->appendRow(serviceRow);
      const auto add = [&](const QIcon& icon, const QString& caption, std::string user) {
        auto* row = new QStandardItem(icon, QStringLiteral("    ") + caption);
        row->setData(static_cast<int>(choices_.size()), kEntryRole);
        model->appendRow(row);
        choices_.push_back({service, std::move(user)});
      };
      add(Icon(context_, kAllUsersIcon), Text(context_.Language, text::kShareAccessAllUsers), {});
      for (const TUserItem& user : context_.Users->UsersOf(*service)) {
        add(Icon(context_, kUserIcon), QString::fromStdString(user.Name), user.Name);
      }
    }
  }
  choice_->setModel(model);
  choice_->setCurrentIndex(-1);
}

const TShareAccessDialog::TChoice* TShareAccessDialog::Chosen() const {
  if (!choice_ || choice_->currentIndex() < 0) return nullptr;
  const QVariant value = choice_->itemData(choice_->currentIndex(), kEntryRole);
  const int index = value.isValid() ? value.toInt() : -1;
  if (index < 0 || static_cast<std::size_t>(index) >= choices_.size()) return nullptr;
  return &choices_[static_cast<std::size_t>(index)];
}

void TShareAccessDialog::UpdateEnabling() {
  const bool usable = index_.has_value() || Chosen() != nullptr;
  ok_->setEnabled(usable);
  for (QCheckBox* box : boxes_) {
    if (box) box->setEnabled(usable);
  }
}

void TShareAccessDialog::ShowBoxes(TShareAccess access) {
  for (int i = 0; i < 5; ++i) {
    if (boxes_[i]) boxes_[i]->setChecked(*Flags(access, i) != 0);
  }
}

void TShareAccessDialog::TakeBoxes(TShareAccess& access) const {
  for (int i = 0; i < 5; ++i) {
    if (boxes_[i]) SetFlag(*Flags(access, i), boxes_[i]);
  }
}

void TShareAccessDialog::accept() {
  if (index_) {
    TakeBoxes(entries_.at(*index_));
    QDialog::accept();
    return;
  }
  const TChoice* chosen = Chosen();
  if (!chosen) return;
  TShareAccess access{};
  std::memcpy(&access.ServiceID, &chosen->Service->guid, sizeof(access.ServiceID));
  if (!chosen->User.empty()) {
    // The entry must name the account exactly as its saved form will, and the
    // access check must be able to compare its password after the next start.
    const TUserItem* account = context_.Users->FindUser(*chosen->Service, chosen->User);
    if (!account || CheckUserName(account->Name) != TUserEditResult::Done ||
        CheckUserPassword(account->Password) != TUserEditResult::Done) {
      ShowTextMessage(GetLanguageText(text::kShareAccessUnstorableAccount, context_.Language));
      choice_->setFocus();
      return;
    }
    CopyToFixedText(access.UserName, chosen->User);
  }
  const bool listed = std::ranges::any_of(entries_, [&](const TShareAccess& entry) {
    return GuidOf(entry) == chosen->Service->guid && UserOf(entry) == chosen->User;
  });
  if (listed) {
    ShowTextMessage(GetLanguageText(text::kShareAccessDuplicate, context_.Language));
    choice_->setFocus();
    return;
  }
  TakeBoxes(access);
  entries_.push_back(access);
  QDialog::accept();
}

// ---- the folder dialog ----------------------------------------------------------------

TSharedFolderDialog::TSharedFolderDialog(TShareDialogContext& context, TSharedWorkingCopy& copy, TSharedItem* item,
                                         const std::string& proposedExtensions, QWidget* parent)
    : QDialog(parent), context_(context), copy_(copy), item_(item) {
  TSimpleConfig& language = context_.Language;
  setWindowTitle(Text(language, item_ ? text::kShareFolderEditTitle : text::kShareFolderAddTitle));
  ChooseFolder = [this](const std::string& start) { return ChooseShareFolder(this, context_.Language, start); };

  folder_ = new QLineEdit();
  folder_->setObjectName(QStringLiteral("folder"));
  auto* browse = new QPushButton(QStringLiteral("..."));
  browse->setObjectName(QStringLiteral("browse"));
  connect(browse, &QPushButton::clicked, this, &TSharedFolderDialog::PickFolder);
  name_ = new QLineEdit();
  name_->setObjectName(QStringLiteral("name"));
  extensions_ = new QLineEdit();
  extensions_->setObjectName(QStringLiteral("extensions"));
  subdirectories_ = new QCheckBox(Text(language, text::kShareFolderSubdirectories));

  auto* fields = new QFormLayout();
  fields->addRow(Label(Text(language, text::kShareFolderLabel), folder_), WithBrowseButton(folder_, browse));
  fields->addRow(Label(Text(language, text::kShareFolderNameLabel), name_), name_);
  fields->addRow(Label(Text(language, text::kShareFolderExtensionsLabel), extensions_), extensions_);

  same_ = new QRadioButton(Text(language, text::kShareSameAccess));
  limit_ = new QRadioButton(Text(language, text::kShareLimitAccess));
  options_ = new QLabel(Text(language, text::kShareOptionsLabel));
  for (int i = 0; i < 5; ++i) boxes_[i] = new QCheckBox(Text(language, kBoxTexts[i]));
  access_ = new TAccessListEditor(context_, true);
  connect(same_, &QRadioButton::toggled, this, &TSharedFolderDialog::UpdateEnabling);

  auto* options = new QGridLayout();
  options->setColumnMinimumWidth(0, 20);
  options->addWidget(options_, 0, 1);
  for (int i = 1; i < 5; ++i) options->addWidget(boxes_[i], i, 1);
  options->addWidget(boxes_[0], 5, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(subdirectories_);
  layout->addWidget(same_);
  layout->addLayout(options);
  layout->addWidget(limit_);
  layout->addWidget(access_, 1);
  layout->addWidget(OkCancel(*this, language, nullptr));

  if (item_) {
    folder_->setText(QString::fromStdString(item_->RealPath));
    name_->setText(QString::fromStdString(item_->Name));
    extensions_->setText(QString::fromStdString(item_->Extensions));
    subdirectories_->setChecked(item_->IncludeSubdirectories);
    (item_->AllowAll ? same_ : limit_)->setChecked(true);
    for (int i = 0; i < 5; ++i) boxes_[i]->setChecked(*Flags(item_->AllAccess, i) != 0);
    access_->Load(item_->AccessList);
    lastFolder_ = item_->RealPath;
  } else {
    extensions_->setText(QString::fromStdString(proposedExtensions));
    same_->setChecked(true);
  }
  UpdateEnabling();
  folder_->setFocus();
}

void TSharedFolderDialog::PickFolder() {
  if (!ChooseFolder) return;
  if (std::optional<std::string> chosen = ChooseFolder(lastFolder_)) {
    lastFolder_ = *chosen;
    folder_->setText(QString::fromStdString(*chosen));
  }
}

void TSharedFolderDialog::UpdateEnabling() {
  const bool same = same_->isChecked();
  options_->setEnabled(same);
  for (QCheckBox* box : boxes_) box->setEnabled(same);
  access_->SetLimited(!same);
}

bool TSharedFolderDialog::Refuse(TTextId message, QWidget* field) {
  ShowTextMessage(GetLanguageText(message, context_.Language));
  field->setFocus();
  return false;
}

void TSharedFolderDialog::accept() {
  const std::string folder = Trimmed(folder_);
  const std::string name = Trimmed(name_);
  const std::string extensions = Trimmed(extensions_);
  if (folder.empty()) return (void)Refuse(text::kShareFolderMissingFolder, folder_);
  if (name.empty()) return (void)Refuse(text::kShareFolderMissingName, name_);
  if (extensions.empty()) return (void)Refuse(text::kShareFolderMissingExtensions, extensions_);
  if (!IsDirectory(folder)) return (void)Refuse(text::kShareFolderNotFound, folder_);
  if (WorkingNameTaken(copy_, name, item_)) return (void)Refuse(text::kShareFolderNameTaken, name_);
  if (name.find_first_of("\\/") != std::string::npos) return (void)Refuse(text::kShareFolderNameSeparator, name_);
  if (name.size() > kMaxSharedNameLength) return (void)Refuse(text::kShareNameTooLong, name_);

  TSharedItem* item = item_;
  if (!item) {
    auto made = std::make_unique<TSharedItem>();
    made->IsFolder = true;
    made->Name = name;
    item = &PutWorkingItem(copy_, std::move(made));
  }
  item->SetName(name);
  item->RealPath = folder;
  item->Extensions = extensions;
  item->IncludeSubdirectories = subdirectories_->isChecked();
  item->AllowAll = same_->isChecked();
  for (int i = 0; i < 5; ++i) SetFlag(*Flags(item->AllAccess, i), boxes_[i]);
  item->AccessList = access_->Entries();
  result_ = item;
  QDialog::accept();
}

// ---- the file dialog --------------------------------------------------------------------

TSharedFileDialog::TSharedFileDialog(TShareDialogContext& context, TSharedWorkingCopy& copy, TSharedItem* item,
                                     QWidget* parent)
    : QDialog(parent), context_(context), copy_(copy), item_(item) {
  TSimpleConfig& language = context_.Language;
  setWindowTitle(Text(language, item_ ? text::kShareFileEditTitle : text::kShareFileAddTitle));
  ChooseFile = [this](const std::string& start) -> std::optional<std::string> {
    const QString chosen = QFileDialog::getOpenFileName(this, windowTitle(), QString::fromStdString(start));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
  };

  file_ = new QLineEdit();
  file_->setObjectName(QStringLiteral("file"));
  connect(file_, &QLineEdit::editingFinished, this, &TSharedFileDialog::ProposeName);
  auto* browse = new QPushButton(QStringLiteral("..."));
  browse->setObjectName(QStringLiteral("browse"));
  connect(browse, &QPushButton::clicked, this, &TSharedFileDialog::PickFile);
  name_ = new QLineEdit();
  name_->setObjectName(QStringLiteral("name"));

  auto* fields = new QFormLayout();
  fields->addRow(Label(Text(language, text::kShareFileLabel), file_), WithBrowseButton(file_, browse));
  fields->addRow(Label(Text(language, text::kShareFileNameLabel), name_), name_);

  same_ = new QRadioButton(Text(language, text::kShareSameAccess));
  limit_ = new QRadioButton(Text(language, text::kShareLimitAccess));
  search_ = new QCheckBox(Text(language, text::kShareIncludeInSearches));
  access_ = new TAccessListEditor(context_, false);
  connect(same_, &QRadioButton::toggled, this, &TSharedFileDialog::UpdateEnabling);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addWidget(same_);
  auto* indented = new QHBoxLayout();
  indented->addSpacing(20);
  indented->addWidget(search_, 1);
  layout->addLayout(indented);
  layout->addWidget(limit_);
  layout->addWidget(access_, 1);
  layout->addWidget(OkCancel(*this, language, nullptr));

  if (item_) {
    file_->setText(QString::fromStdString(item_->RealPath));
    name_->setText(QString::fromStdString(item_->Name));
    (item_->AllowAll ? same_ : limit_)->setChecked(true);
    search_->setChecked(item_->AllAccess.IncludeInSearchRequests != 0);
    access_->Load(item_->AccessList);
    lastFolder_ = FolderPart(item_->RealPath).toStdString();
  } else {
    same_->setChecked(true);
    search_->setChecked(true);
  }
  UpdateEnabling();
  file_->setFocus();
}

void TSharedFileDialog::PickFile() {
  if (!ChooseFile) return;
  if (std::optional<std::string> chosen = ChooseFile(lastFolder_)) {
    lastFolder_ = FolderPart(*chosen).toStdString();
    file_->setText(QString::fromStdString(*chosen));
    name_->clear();
    ProposeName();
  }
}

void TSharedFileDialog::ProposeName() {
  const std::string file = Trimmed(file_);
  if (file.empty() || !Trimmed(name_).empty()) return;
  name_->setText(QString::fromStdString(ProposeFileName(copy_, file)));
}

void TSharedFileDialog::UpdateEnabling() {
  const bool same = same_->isChecked();
  search_->setEnabled(same);
  access_->SetLimited(!same);
}

void TSharedFileDialog::accept() {
  const std::string file = Trimmed(file_);
  const std::string name = Trimmed(name_);
  const auto refuse = [this](TTextId message, QWidget* field) {
    ShowTextMessage(GetLanguageText(message, context_.Language));
    field->setFocus();
  };
  if (file.empty() || !IsRegularFile(file)) return refuse(text::kShareFileNotFound, file_);
  if (name.empty()) return refuse(text::kShareFileMissingName, name_);
  if (WorkingNameTaken(copy_, name, item_)) return refuse(text::kShareFileNameTaken, name_);
  if (name.size() > kMaxSharedNameLength) return refuse(text::kShareNameTooLong, name_);

  TSharedItem* item = item_;
  if (!item) {
    auto made = std::make_unique<TSharedItem>();
    made->IsFolder = false;
    made->Name = name;
    item = &PutWorkingItem(copy_, std::move(made));
  }
  item->SetName(name);
  item->RealPath = file;
  item->AllowAll = same_->isChecked();
  SetFlag(item->AllAccess.IncludeInSearchRequests, search_);
  item->AccessList = access_->Entries();
  result_ = item;
  QDialog::accept();
}

// ---- the removal question -----------------------------------------------------------------

TDeleteShareDialog::TDeleteShareDialog(TSimpleConfig& language, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(language, text::kRemove));
  auto* question = new QLabel(Text(language, text::kShareRemovalQuestion));
  question->setObjectName(QStringLiteral("question"));
  question->setWordWrap(true);
  auto* buttons = new QDialogButtonBox();
  yes_ = buttons->addButton(Text(language, text::kOk), QDialogButtonBox::YesRole);
  no_ = buttons->addButton(Text(language, text::kCancel), QDialogButtonBox::NoRole);
  yes_->setObjectName(QStringLiteral("yes"));
  no_->setObjectName(QStringLiteral("no"));
  connect(yes_, &QPushButton::clicked, this, &QDialog::accept);
  connect(no_, &QPushButton::clicked, this, &QDialog::reject);
  // Sharing stopped by a stray Enter would be a surprise: Enter answers No.
  no_->setDefault(true);
  no_->setFocus();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(question);
  layout->addStretch();
  layout->addWidget(buttons);
}

}  // namespace kp

// The meta-object code of the classes, compiled with them.
#include "moc_share_dialogs.cpp"
