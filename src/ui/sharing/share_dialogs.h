#pragma once
// The dialogs of the Shared page: a shared folder, a shared file, one entry of
// their access lists, and the question before items stop being shared. They
// change the settings dialog's working copy only, and only on OK.
//
// An access entry names a service by GUID and, optionally, one of its accounts;
// the access check later compares that account's password. An account whose
// name or password the saved files could not carry back unchanged would match
// differently after the next start, so it is not offered a new entry.

#include <QDialog>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/language_ids.h"
#include "core/sharing/shared_items.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace kp {

class TImageList;
class TSimpleConfig;
class TUsers;
struct TServiceHolder;

// What every share dialog works with; everything outlives the dialogs.
struct TShareDialogContext {
  TSimpleConfig& Language;
  TImageList& Images;
  std::string ProgramFolder;  // resolves the icons
  TUsers* Users = nullptr;    // the registered services and their accounts; null for none
};

// The platform's folder selection, opening at the folder; none when cancelled.
[[nodiscard]] std::optional<std::string> ChooseShareFolder(QWidget* parent, TSimpleConfig& language,
                                                           const std::string& start);

// Another working item than `except` is called so (trimmed, any letter case).
[[nodiscard]] bool WorkingNameTaken(const TSharedWorkingCopy& copy, std::string_view name,
                                    const TSharedItem* except = nullptr);
// Adds an item made on the page: it replaces a working item of its name, and
// its key is no longer among the removed ones (the live item is then updated,
// not removed, when the copy is applied).
TSharedItem& PutWorkingItem(TSharedWorkingCopy& copy, std::unique_ptr<TSharedItem> item);
// The name proposed for a shared file: its file name, else "name(n).ext" with
// the first n from 2 that no working item has.
[[nodiscard]] std::string ProposeFileName(const TSharedWorkingCopy& copy, std::string_view path);

// The two-level list of a folder's or file's working access list: a row per
// service, under it a row per entry. The entries keep their order, which the
// access check depends on.
class TAccessListEditor : public QWidget {
  Q_OBJECT

 public:
  TAccessListEditor(TShareDialogContext& context, bool folder, QWidget* parent = nullptr);

  // The item's list, without the entries of services that are not registered
  // and of accounts that no longer exist.
  void Load(const std::vector<TShareAccess>& entries);
  [[nodiscard]] const std::vector<TShareAccess>& Entries() const noexcept { return entries_; }
  // Whether the list applies (the choice "limit access").
  void SetLimited(bool limited);

  void AddEntry();
  void EditEntry();
  void RemoveEntry();

  [[nodiscard]] QTreeWidget* Tree() const noexcept { return tree_; }
  [[nodiscard]] QPushButton* AddButton() const noexcept { return add_; }
  [[nodiscard]] QPushButton* EditButton() const noexcept { return edit_; }
  [[nodiscard]] QPushButton* RemoveButton() const noexcept { return remove_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Rebuild(std::optional<std::size_t> select);
  void UpdateButtons();
  [[nodiscard]] std::optional<std::size_t> SelectedEntry() const;

  TShareDialogContext& context_;
  const bool folder_;
  bool limited_ = false;
  std::vector<TShareAccess> entries_;
  QTreeWidget* tree_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* remove_ = nullptr;
};

// One entry of an access list. Add mode offers every registered service with
// "all users" and each account; edit mode shows the entry and changes its boxes.
class TShareAccessDialog : public QDialog {
  Q_OBJECT

 public:
  // Add mode: OK appends the entry to the list.
  TShareAccessDialog(TShareDialogContext& context, bool folder, std::vector<TShareAccess>& entries,
                     QWidget* parent = nullptr);
  // Edit mode for entries[index].
  TShareAccessDialog(TShareDialogContext& context, bool folder, std::vector<TShareAccess>& entries,
                     std::size_t index, QWidget* parent = nullptr);

  void accept() override;

  [[nodiscard]] QComboBox* Choice() const noexcept { return choice_; }
  [[nodiscard]] QPushButton* OkButton() const noexcept { return ok_; }
  [[nodiscard]] QCheckBox* IncludeInSearches() const noexcept { return boxes_[0]; }
  [[nodiscard]] QCheckBox* AllowWrite() const noexcept { return boxes_[1]; }

 private:
  struct TChoice {
    const TServiceHolder* Service = nullptr;
    std::string User;  // empty: every user of the service
  };

  void Build(bool folder, bool adding);
  void FillChoice();
  void UpdateEnabling();
  void ShowBoxes(TShareAccess access);
  void TakeBoxes(TShareAccess& access) const;
  [[nodiscard]] const TChoice* Chosen() const;

  TShareDialogContext& context_;
  std::vector<TShareAccess>& entries_;
  std::optional<std::size_t> index_;  // edit mode
  std::vector<TChoice> choices_;
  QComboBox* choice_ = nullptr;
  QLabel* entryIcon_ = nullptr;
  QLabel* entryLabel_ = nullptr;
  QCheckBox* boxes_[5] = {};  // search, write, delete, create folders, remove folders
  QPushButton* ok_ = nullptr;
};

// A shared folder: add mode makes a working item, edit mode changes one.
class TSharedFolderDialog : public QDialog {
  Q_OBJECT

 public:
  // item null: add mode, the extensions proposed from the page's field.
  TSharedFolderDialog(TShareDialogContext& context, TSharedWorkingCopy& copy, TSharedItem* item,
                      const std::string& proposedExtensions, QWidget* parent = nullptr);

  void accept() override;
  // The working item made or changed by OK.
  [[nodiscard]] TSharedItem* Result() const noexcept { return result_; }

  // How the folder button asks for a folder.
  std::function<std::optional<std::string>(const std::string& start)> ChooseFolder;

  [[nodiscard]] QLineEdit* FolderField() const noexcept { return folder_; }
  [[nodiscard]] QLineEdit* NameField() const noexcept { return name_; }
  [[nodiscard]] QLineEdit* ExtensionsField() const noexcept { return extensions_; }
  [[nodiscard]] QCheckBox* Subdirectories() const noexcept { return subdirectories_; }
  [[nodiscard]] QRadioButton* SameAccess() const noexcept { return same_; }
  [[nodiscard]] QRadioButton* LimitAccess() const noexcept { return limit_; }
  [[nodiscard]] QCheckBox* AllowWrite() const noexcept { return boxes_[1]; }
  [[nodiscard]] TAccessListEditor* AccessList() const noexcept { return access_; }

 private:
  void PickFolder();
  void UpdateEnabling();
  // Shows the message and puts the focus on the field; always false.
  bool Refuse(TTextId message, QWidget* field);

  TShareDialogContext& context_;
  TSharedWorkingCopy& copy_;
  TSharedItem* item_;  // edit mode
  TSharedItem* result_ = nullptr;
  std::string lastFolder_;
  QLineEdit* folder_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* extensions_ = nullptr;
  QCheckBox* subdirectories_ = nullptr;
  QRadioButton* same_ = nullptr;
  QRadioButton* limit_ = nullptr;
  QLabel* options_ = nullptr;
  QCheckBox* boxes_[5] = {};  // search, write, delete, create folders, remove folders
  TAccessListEditor* access_ = nullptr;
};

// A shared file: add mode makes a working item, edit mode changes one.
class TSharedFileDialog : public QDialog {
  Q_OBJECT

 public:
  TSharedFileDialog(TShareDialogContext& context, TSharedWorkingCopy& copy, TSharedItem* item,
                    QWidget* parent = nullptr);

  void accept() override;
  [[nodiscard]] TSharedItem* Result() const noexcept { return result_; }

  // How the file button asks for a file.
  std::function<std::optional<std::string>(const std::string& startFolder)> ChooseFile;

  [[nodiscard]] QLineEdit* FileField() const noexcept { return file_; }
  [[nodiscard]] QLineEdit* NameField() const noexcept { return name_; }
  [[nodiscard]] QRadioButton* SameAccess() const noexcept { return same_; }
  [[nodiscard]] QRadioButton* LimitAccess() const noexcept { return limit_; }
  [[nodiscard]] QCheckBox* IncludeInSearches() const noexcept { return search_; }
  [[nodiscard]] TAccessListEditor* AccessList() const noexcept { return access_; }

  // Proposes a virtual name from the file box when the name box is blank.
  void ProposeName();

 private:
  void PickFile();
  void UpdateEnabling();

  TShareDialogContext& context_;
  TSharedWorkingCopy& copy_;
  TSharedItem* item_;
  TSharedItem* result_ = nullptr;
  std::string lastFolder_;
  QLineEdit* file_ = nullptr;
  QLineEdit* name_ = nullptr;
  QRadioButton* same_ = nullptr;
  QRadioButton* limit_ = nullptr;
  QCheckBox* search_ = nullptr;
  TAccessListEditor* access_ = nullptr;
};

// The question before the selected items stop being shared.
class TDeleteShareDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TDeleteShareDialog(TSimpleConfig& language, QWidget* parent = nullptr);

  [[nodiscard]] QPushButton* YesButton() const noexcept { return yes_; }
  [[nodiscard]] QPushButton* NoButton() const noexcept { return no_; }

 private:
  QPushButton* yes_ = nullptr;
  QPushButton* no_ = nullptr;
};

}  // namespace kp
