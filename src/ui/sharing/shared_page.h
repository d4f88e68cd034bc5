#pragma once
// The Shared page of the settings dialog: the shared folders and files as the
// dialog's working copy holds them, the file types the system scan looks for,
// and the system scan itself. Nothing here touches the live items until the
// dialog hands the working copy to ApplySharedItems (on OK and Cancel alike).
//
// The copy is the item list's working copy for as long as the page lives, so
// items the live tree makes meanwhile reach it too. The system scan runs on a
// share tree of the page's own, never on the live one: what it finds becomes
// working items, which the user may still edit or remove before they are
// applied. Its progress window runs its own event loop, so the program goes on
// serving plugins while the scan hands its finds to the main thread.

#include <QWidget>

#include <memory>
#include <string>

#include "core/sharing/shared_items.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class QGroupBox;

namespace kp {

class TImageList;
class TMainThreadQueue;
class TScanProgressWindow;
class TSimpleConfig;
class TUsers;
struct TSettings;
struct TShareDialogContext;

// What the page works with; everything outlives the page.
struct TSharedPageContext {
  TSharedItemList& Items;
  TSettings& Settings;
  TSimpleConfig& Language;
  std::string ProgramFolder;
};

class TSharedPage : public QWidget {
  Q_OBJECT

 public:
  TSharedPage(TSharedPageContext context, QWidget* parent = nullptr);
  ~TSharedPage() override;

  // The dialog opens: ScanExtensions into its field, a fresh working copy of
  // the shared items into its list.
  void Load();
  // OK: its field into Settings.SharedItems.ScanExtensions.
  void Store();
  // OK and Cancel: ApplySharedItems with the working copy.
  void ApplyItems();
  void ApplyLanguage();

  // Where the access dialogs find the services and their accounts; until set
  // they offer nothing to choose, and edit mode keeps every entry.
  void SetUsers(TUsers* users) noexcept;
  // The main thread's queue, to which the system scan hands what it finds; the
  // process's own queue when none is set.
  void SetMainThread(TMainThreadQueue* queue) noexcept { mainThread_ = queue; }

  [[nodiscard]] TSharedWorkingCopy& WorkingCopy() noexcept { return copy_; }
  [[nodiscard]] QTreeWidget* List() const noexcept { return list_; }
  [[nodiscard]] QLineEdit* ExtensionsField() const noexcept { return extensions_; }
  [[nodiscard]] QPushButton* EditButton() const noexcept { return edit_; }
  [[nodiscard]] QPushButton* RemoveButton() const noexcept { return remove_; }
  // The settings dialog's own share tree, which only the system scan fills:
  // what it finds stays in the working copy until the copy is applied.
  [[nodiscard]] TShareManager& ScanShares();
  // The working item of a row of the list.
  [[nodiscard]] TSharedItem* ItemOfRow(const QTreeWidgetItem* row) const;

  // The page commands, as their buttons run them.
  void AddFolder();
  void AddFile();
  void EditSelected();
  void RemoveSelected();
  void ScanSystem();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class TScanHook;

  void Rebuild();
  void UpdateButtons();
  // A row for the working item; folders go to the top, files to the end.
  void AddRow(const TSharedItem& item);
  // What the scan found, unless a working item has its name or covers its path.
  void ScanFoundFolder(const TShareDirectory& directory);
  void ScanFoundFile(const TShareFile& file);

  TSharedPageContext context_;
  TMainThreadQueue* mainThread_ = nullptr;
  TSharedWorkingCopy copy_;
  std::unique_ptr<TImageList> images_;
  std::unique_ptr<TShareDialogContext> dialogs_;
  // The hook outlives the tree whose events it takes.
  std::unique_ptr<TScanHook> scanHook_;
  std::unique_ptr<TShareManager> scanShares_;
  TScanProgressWindow* scanWindow_ = nullptr;
  bool scanEnded_ = false;

  QGroupBox* listBox_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPushButton* addFolder_ = nullptr;
  QPushButton* addFile_ = nullptr;
  QPushButton* edit_ = nullptr;
  QPushButton* remove_ = nullptr;
  QGroupBox* typesBox_ = nullptr;
  QLabel* extensionsLabel_ = nullptr;
  QLineEdit* extensions_ = nullptr;
  QPushButton* scan_ = nullptr;
};

}  // namespace kp
