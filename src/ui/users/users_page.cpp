#include "ui/users/users_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/config/text_basics.h"
#include "core/users/users_working_copy.h"
#include "ui/controls/list_keys.h"
#include "ui/shell/language_text.h"
#include "ui/shell/qt_text.h"

namespace kp {
namespace {

constexpr int kHandleRole = Qt::UserRole;
constexpr int kUserRole = Qt::UserRole + 1;

const TUsersWorkingCopy::TServiceAccounts* EntryOf(const TUsersWorkingCopy& copy, std::uint32_t service) {
  for (const auto& entry : copy.Services()) {
    if (entry.Handle == service) return &entry;
  }
  return nullptr;
}

const TUsersWorkingCopy::TAccount* AccountOf(const TUsersWorkingCopy::TServiceAccounts& entry,
                                             std::string_view name) {
  for (const auto* list : {&entry.Kept, &entry.Added}) {
    for (const auto& account : *list) {
      if (EqualsIgnoreCase(account.Name, name)) return &account;
    }
  }
  return nullptr;
}

}  // namespace

TUsersPage::TUsersPage(TUsers& users, TSimpleConfig& language, QWidget* parent)
    : QWidget(parent), users_(users), language_(language) {
  box_ = new QGroupBox;
  tree_ = new QTreeWidget;
  tree_->setObjectName(QStringLiteral("users"));
  tree_->setColumnCount(1);
  tree_->setRootIsDecorated(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->installEventFilter(this);
  add_ = new QPushButton;
  edit_ = new QPushButton;
  remove_ = new QPushButton;
  add_->setObjectName(QStringLiteral("addUser"));
  edit_->setObjectName(QStringLiteral("editUser"));
  remove_->setObjectName(QStringLiteral("removeUser"));
  // The settings dialog's OK stays the button that Enter presses.
  for (QPushButton* button : {add_, edit_, remove_}) button->setAutoDefault(false);
  connect(add_, &QPushButton::clicked, this, &TUsersPage::AddUser);
  connect(edit_, &QPushButton::clicked, this, &TUsersPage::EditSelected);
  connect(remove_, &QPushButton::clicked, this, &TUsersPage::RemoveSelected);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &TUsersPage::UpdateButtons);
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* row) {
    if (IsUserRow(row)) EditSelected();
  });

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add_);
  buttons->addWidget(edit_);
  buttons->addWidget(remove_);
  buttons->addStretch();
  auto* inner = new QVBoxLayout(box_);
  inner->addWidget(tree_, 1);
  inner->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(box_);

  RunUserDialog = [](TUserDialog& dialog) { return dialog.exec() == QDialog::Accepted; };
  ConfirmRemoval = [this] { return AskRemoval(); };
  ApplyLanguage();
  UpdateButtons();
}

TUsersPage::~TUsersPage() = default;

void TUsersPage::ApplyLanguage() {
  box_->setTitle(LanguageText(language_, text::kSettingsUsersPage));
  tree_->setHeaderLabels({LanguageText(language_, text::kSettingsUserNameColumn)});
  add_->setText(LanguageText(language_, text::kAdd));
  edit_->setText(LanguageText(language_, text::kEdit));
  remove_->setText(LanguageText(language_, text::kRemove));
}

void TUsersPage::Load() {
  copy_ = std::make_unique<TUsersWorkingCopy>(users_);
  Rebuild();
}

void TUsersPage::Apply() {
  // Taken out first: a plugin hearing of its accounts may reopen the dialog.
  std::unique_ptr<TUsersWorkingCopy> copy = std::move(copy_);
  if (copy) copy->Apply();
  Rebuild();
}

void TUsersPage::Discard() {
  copy_.reset();
  Rebuild();
}

void TUsersPage::Rebuild(std::uint32_t selectService, const QString& selectName) {
  tree_->clear();
  if (!copy_) {
    UpdateButtons();
    return;
  }
  QTreeWidgetItem* selected = nullptr;
  for (const auto& entry : copy_->Services()) {
    // A service that went while the dialog was open has nothing left to edit.
    const TServiceHolder* service = users_.Services().FindService(entry.Handle);
    if (service != entry.Service) continue;
    auto* serviceRow = new QTreeWidgetItem(tree_, {ToQString(service->description)});
    serviceRow->setIcon(0, images_.ImageFor(service->onlineIconFileName));
    serviceRow->setData(0, kHandleRole, entry.Handle);
    serviceRow->setData(0, kUserRole, false);
    for (const auto* list : {&entry.Kept, &entry.Added}) {
      for (const auto& account : *list) {
        auto* row = new QTreeWidgetItem(serviceRow, {ToQString(account.Name)});
        row->setData(0, kHandleRole, entry.Handle);
        row->setData(0, kUserRole, true);
        if (!selected && entry.Handle == selectService &&
            EqualsIgnoreCase(account.Name, selectName.toStdString())) {
          selected = row;
        }
      }
    }
    serviceRow->setExpanded(true);
  }
  if (selected) tree_->setCurrentItem(selected);
  UpdateButtons();
}

bool TUsersPage::IsUserRow(const QTreeWidgetItem* row) const {
  return row && row->data(0, kUserRole).toBool();
}

void TUsersPage::UpdateButtons() {
  const QList<QTreeWidgetItem*> selection = tree_->selectedItems();
  const bool userRow = selection.size() == 1 && IsUserRow(selection.front());
  add_->setEnabled(copy_ != nullptr);
  edit_->setEnabled(userRow);
  remove_->setEnabled(userRow);
}

TUserRealm TUsersPage::RealmOf(std::uint32_t handle) {
  TUserRealm realm;
  realm.Handle = handle;
  if (const TServiceHolder* service = users_.Services().FindService(handle)) {
    realm.Description = ToQString(service->description);
    realm.Icon = images_.ImageFor(service->onlineIconFileName);
  }
  return realm;
}

std::vector<TUserRealm> TUsersPage::Realms() {
  // The services of the working copy, in registration order: an account can
  // only be added where the copy can take it.
  std::vector<TUserRealm> realms;
  if (!copy_) return realms;
  for (const auto& entry : copy_->Services()) {
    if (users_.Services().FindService(entry.Handle) == entry.Service) realms.push_back(RealmOf(entry.Handle));
  }
  return realms;
}

void TUsersPage::AddUser() {
  if (!copy_) return;
  TUserDialog dialog(language_, window());
  dialog.PrepareAdd(Realms(), [this](std::uint32_t service, const std::string& name) {
    const auto* entry = copy_ ? EntryOf(*copy_, service) : nullptr;
    return entry && AccountOf(*entry, name);
  });
  if (!RunUserDialog(dialog) || !copy_) return;
  const std::uint32_t service = dialog.Realm();
  if (copy_->Add(service, dialog.Name(), dialog.Password()) != TUserEditResult::Done) return;
  Rebuild(service, QString::fromStdString(dialog.Name()));
}

void TUsersPage::EditSelected() {
  QTreeWidgetItem* row = tree_->currentItem();
  if (!copy_ || !IsUserRow(row)) return;
  const std::uint32_t service = row->data(0, kHandleRole).value<std::uint32_t>();
  const QString name = row->text(0);
  const auto* entry = EntryOf(*copy_, service);
  const auto* account = entry ? AccountOf(*entry, name.toStdString()) : nullptr;
  if (!account) return;
  TUserDialog dialog(language_, window());
  dialog.PrepareEdit(RealmOf(service), name, ToQString(account->Password));
  if (!RunUserDialog(dialog) || !copy_) return;
  if (copy_->ChangePassword(service, name.toStdString(), dialog.Password()) != TUserEditResult::Done) return;
  Rebuild(service, name);
}

void TUsersPage::RemoveSelected() {
  QTreeWidgetItem* row = tree_->currentItem();
  if (!copy_ || !IsUserRow(row)) return;
  const std::uint32_t service = row->data(0, kHandleRole).value<std::uint32_t>();
  const std::string name = row->text(0).toStdString();
  if (!ConfirmRemoval() || !copy_) return;
  static_cast<void>(copy_->Remove(service, name));
  Rebuild();
}

bool TUsersPage::AskRemoval() {
  QMessageBox question(QMessageBox::Question, LanguageText(language_, text::kRemove),
                       LanguageText(language_, text::kDeleteUserQuestion), QMessageBox::Yes | QMessageBox::No,
                       window());
  question.button(QMessageBox::Yes)->setText(LanguageText(language_, text::kYes));
  question.button(QMessageBox::No)->setText(LanguageText(language_, text::kNo));
  // Removing is not undone: the safe answer is the one Enter gives.
  question.setDefaultButton(QMessageBox::No);
  return question.exec() == QMessageBox::Yes;
}

bool TUsersPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tree_ && IsUserRow(tree_->currentItem()) &&
      ActOnListKey(event, [this] { EditSelected(); }, [this] { RemoveSelected(); })) {
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace kp

#include "moc_users_page.cpp"
