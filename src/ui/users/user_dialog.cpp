#include "ui/users/user_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/users/users_working_copy.h"
#include "ui/shell/language_text.h"

namespace kp {

TUserDialog::TUserDialog(TSimpleConfig& language, QWidget* parent) : QDialog(parent), language_(language) {
  realmLabel_ = new QLabel(LanguageText(language_, text::kUserRealmLabel));
  realm_ = new QComboBox;
  realm_->setObjectName(QStringLiteral("realm"));
  realmLabel_->setBuddy(realm_);
  realmIcon_ = new QLabel;
  realmName_ = new QLabel;
  // Service names come from plugins: shown as they are, never as markup.
  realmName_->setTextFormat(Qt::PlainText);
  realmName_->setObjectName(QStringLiteral("realmName"));
  nameLabel_ = new QLabel(LanguageText(language_, text::kUserNameLabel));
  name_ = new QLineEdit;
  name_->setObjectName(QStringLiteral("name"));
  nameLabel_->setBuddy(name_);
  passwordLabel_ = new QLabel(LanguageText(language_, text::kUserPasswordLabel));
  password_ = new QLineEdit;
  password_->setObjectName(QStringLiteral("password"));
  password_->setEchoMode(QLineEdit::Password);
  passwordLabel_->setBuddy(password_);
  // The longest that can be stored, so typing stops where storing would fail.
  name_->setMaxLength(static_cast<int>(kMaxUserNameLength));
  password_->setMaxLength(static_cast<int>(kMaxUserPasswordLength));

  auto* buttons = new QDialogButtonBox;
  ok_ = buttons->addButton(LanguageText(language_, text::kOk), QDialogButtonBox::AcceptRole);
  cancel_ = buttons->addButton(LanguageText(language_, text::kCancel), QDialogButtonBox::RejectRole);
  ok_->setObjectName(QStringLiteral("ok"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TUserDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* shownRealm = new QHBoxLayout;
  shownRealm->addWidget(realmIcon_);
  shownRealm->addWidget(realmName_, 1);
  auto* form = new QFormLayout;
  form->addRow(realmLabel_, realm_);
  form->addRow(shownRealm);
  form->addRow(nameLabel_, name_);
  form->addRow(passwordLabel_, password_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addStretch();
  layout->addWidget(buttons);
  setTabOrder(realm_, name_);
  setTabOrder(name_, password_);
  setTabOrder(password_, ok_);
  setTabOrder(ok_, cancel_);
  ok_->setDefault(true);

  name_->installEventFilter(this);
  password_->installEventFilter(this);
  resize(360, sizeHint().height());
}

void TUserDialog::PrepareAdd(const std::vector<TUserRealm>& realms, TNameTaken nameTaken) {
  addMode_ = true;
  nameTaken_ = std::move(nameTaken);
  setWindowTitle(LanguageText(language_, text::kAddUserTitle));
  realm_->clear();
  for (const TUserRealm& realm : realms) realm_->addItem(realm.Icon, realm.Description, realm.Handle);
  if (realm_->currentIndex() < 0 && realm_->count() > 0) realm_->setCurrentIndex(0);
  realmLabel_->setVisible(true);
  realm_->setVisible(true);
  realmIcon_->setVisible(false);
  realmName_->setVisible(false);
  name_->clear();
  name_->setReadOnly(false);
  password_->clear();
  name_->setFocus();
}

void TUserDialog::PrepareEdit(const TUserRealm& realm, const QString& name, const QString& password) {
  addMode_ = false;
  nameTaken_ = nullptr;
  editRealm_ = realm.Handle;
  setWindowTitle(LanguageText(language_, text::kEditUserTitle));
  realm_->clear();
  realm_->setVisible(false);
  realmLabel_->setVisible(true);
  realmIcon_->setPixmap(realm.Icon.pixmap(16, 16));
  realmIcon_->setVisible(true);
  realmName_->setText(realm.Description);
  realmName_->setVisible(true);
  name_->setText(name);
  name_->setReadOnly(true);
  password_->setText(password);
  password_->setFocus();
}

std::uint32_t TUserDialog::Realm() const {
  if (!addMode_) return editRealm_;
  return realm_->currentIndex() < 0 ? 0 : realm_->currentData().value<std::uint32_t>();
}

std::string TUserDialog::Name() const { return name_->text().toStdString(); }

std::string TUserDialog::Password() const { return password_->text().toStdString(); }

void TUserDialog::Refuse(TTextId text, QWidget* focus) {
  ShowTextMessage(GetLanguageText(text, language_));
  if (focus) focus->setFocus();
}

bool TUserDialog::CheckEntries() {
  const std::string name = Name();
  if (Trim(name).empty()) {
    Refuse(text::kUserNameMissing, name_);
    return false;
  }
  if (addMode_ && Realm() == 0) {
    Refuse(text::kUserRealmMissing, realm_);
    return false;
  }
  // What the accounts file cannot carry is refused, never stored broken.
  if (addMode_) {
    switch (CheckUserName(name)) {
      case TUserEditResult::Done:
        break;
      case TUserEditResult::NameTooLong:
        Refuse(text::kUserNameTooLong, name_);
        return false;
      default:
        Refuse(text::kUserNameNotStorable, name_);
        return false;
    }
    if (nameTaken_ && nameTaken_(Realm(), name)) {
      Refuse(text::kUserNameTaken, name_);
      return false;
    }
  }
  if (CheckUserPassword(Password()) != TUserEditResult::Done) {
    Refuse(text::kUserPasswordNotStorable, password_);
    return false;
  }
  return true;
}

void TUserDialog::accept() {
  if (CheckEntries()) QDialog::accept();
}

bool TUserDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      // Enter walks from the name to the password and on to OK.
      if (watched == name_) {
        password_->setFocus();
        return true;
      }
      if (watched == password_) {
        ok_->setFocus();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kp

#include "moc_user_dialog.cpp"
