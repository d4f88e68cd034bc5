#pragma once
// The Users page of the settings dialog: every registered service with its
// accounts, edited in a working copy taken when the dialog opens. Plugins hear
// of each account added or removed here at once (the setup events); the
// services themselves change only when the dialog's OK applies the copy.

#include <QWidget>

#include <functional>
#include <memory>

#include "ui/shell/image_list.h"
#include "ui/users/user_dialog.h"

class QGroupBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kp {

class TSimpleConfig;
class TUsers;
class TUsersWorkingCopy;

class TUsersPage : public QWidget {
  Q_OBJECT

 public:
  TUsersPage(TUsers& users, TSimpleConfig& language, QWidget* parent = nullptr);
  ~TUsersPage() override;

  // The dialog opens: a fresh working copy of every service's accounts.
  void Load();
  // OK: the working copy reaches the services (their plugins hear of it).
  void Apply();
  // Cancel: the working copy is dropped.
  void Discard();
  void ApplyLanguage();

  // The page commands, as their buttons and keys run them.
  void AddUser();
  void EditSelected();
  void RemoveSelected();

  // Runs the user dialog, true when it was accepted; tests answer it themselves.
  std::function<bool(TUserDialog& dialog)> RunUserDialog;
  // The removal question; true removes.
  std::function<bool()> ConfirmRemoval;

  [[nodiscard]] QTreeWidget* Tree() const noexcept { return tree_; }
  [[nodiscard]] QPushButton* AddButton() const noexcept { return add_; }
  [[nodiscard]] QPushButton* EditButton() const noexcept { return edit_; }
  [[nodiscard]] QPushButton* RemoveButton() const noexcept { return remove_; }
  // Null while the dialog is not open.
  [[nodiscard]] const TUsersWorkingCopy* WorkingCopy() const noexcept { return copy_.get(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The rows from the working copy; the row of the account named, if any, is selected.
  void Rebuild(std::uint32_t selectService = 0, const QString& selectName = {});
  void UpdateButtons();
  [[nodiscard]] std::vector<TUserRealm> Realms();
  [[nodiscard]] TUserRealm RealmOf(std::uint32_t service);
  [[nodiscard]] bool IsUserRow(const QTreeWidgetItem* row) const;
  [[nodiscard]] bool AskRemoval();

  TUsers& users_;
  TSimpleConfig& language_;
  std::unique_ptr<TUsersWorkingCopy> copy_;
  TImageList images_;
  QGroupBox* box_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* remove_ = nullptr;
};

}  // namespace kp
