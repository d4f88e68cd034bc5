#pragma once
// The user dialog: a new account (add mode, with the choice of its service) or
// the password of an existing one (edit mode). OK checks the entries and keeps
// the dialog open, with a message, until they can be stored as typed.

#include <QDialog>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/config/language_ids.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kp {

class TSimpleConfig;

// A service to which accounts belong, as the dialog offers it.
struct TUserRealm {
  std::uint32_t Handle = 0;
  QString Description;
  QIcon Icon;
};

class TUserDialog : public QDialog {
  Q_OBJECT

 public:
  // Whether the service already has an account of the name (any letter case).
  using TNameTaken = std::function<bool(std::uint32_t service, const std::string& name)>;

  explicit TUserDialog(TSimpleConfig& language, QWidget* parent = nullptr);

  // Empty name and password; the first realm is chosen and the name has the focus.
  void PrepareAdd(const std::vector<TUserRealm>& realms, TNameTaken nameTaken);
  // The account's name, read-only, and its password, which has the focus.
  void PrepareEdit(const TUserRealm& realm, const QString& name, const QString& password);

  [[nodiscard]] bool AddMode() const noexcept { return addMode_; }
  // What OK accepted: the chosen service, the name as typed (not trimmed), the password.
  [[nodiscard]] std::uint32_t Realm() const;
  [[nodiscard]] std::string Name() const;
  [[nodiscard]] std::string Password() const;

  [[nodiscard]] QComboBox* RealmChoice() const noexcept { return realm_; }
  [[nodiscard]] QLineEdit* NameField() const noexcept { return name_; }
  [[nodiscard]] QLineEdit* PasswordField() const noexcept { return password_; }
  [[nodiscard]] QPushButton* OkButton() const noexcept { return ok_; }
  [[nodiscard]] QPushButton* CancelButton() const noexcept { return cancel_; }

  // OK: the checks, in order; the first that fails shows its message and keeps
  // the dialog open.
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The message of the first check that fails, with its field focused; true when all pass.
  bool CheckEntries();
  void Refuse(TTextId text, QWidget* focus);

  TSimpleConfig& language_;
  bool addMode_ = true;
  TNameTaken nameTaken_;
  std::uint32_t editRealm_ = 0;
  QLabel* realmLabel_ = nullptr;
  QComboBox* realm_ = nullptr;
  QLabel* realmIcon_ = nullptr;
  QLabel* realmName_ = nullptr;
  QLabel* nameLabel_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLabel* passwordLabel_ = nullptr;
  QLineEdit* password_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace kp
