#pragma once
// The settings dialog: the built-in pages that the layout chooses, in its
// order, then the pages plugins add. It is made once, hidden, with the main
// window and shown without being modal. Page values are copied from the
// working settings when it opens and back by OK only; OK puts them in force
// at once (limits, filters, history rules, the log-on entry) and writes the
// settings file, then asks the plugins to apply theirs, any of which may keep
// the dialog open.

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/config/language_ids.h"
#include "ui/shell/layout_reader.h"

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QGroupBox;

namespace kp {

class TDownloadList;
class TNumberField;
class TPluginManager;
class TSearchRequest;
class TSharedItemList;
class TSharedPage;
class TSimpleConfig;
class TUploadList;
class TUsers;
class TUsersPage;
struct TSettings;

struct TSettingsDialogContext {
  TSettings& Settings;
  TSimpleConfig& Language;
  TPluginManager& Plugins;
  TUsers& Users;
  TSharedItemList& SharedItems;
  TSearchRequest& SearchRequest;
  TDownloadList& Downloads;
  TUploadList& Uploads;
  std::string ProgramFolder;
  // Where the log-on entry lives and the program file it starts; with either
  // empty the entry is left alone.
  std::string AutostartConfigHome;
  std::string Executable;
  // Writes the working settings into their file (atomically); none in tests
  // that do not look at the file.
  std::function<void()> SaveSettings;
};

class TSettingsDialog : public QDialog, public ISettingsPageHost {
  Q_OBJECT

 public:
  explicit TSettingsDialog(TSettingsDialogContext context, QWidget* parent = nullptr);
  ~TSettingsDialog() override;

  // The settings command: every text anew, the working values into the pages,
  // a fresh copy of the accounts and shared items, the enabling rules; shown
  // (or refreshed when already shown) without being modal.
  void ShowSettingsDialog();

  // The layout's choice of built-in pages.
  void ParkAllSettingsPages() override;
  void UnparkSettingsPage(TSettingsPage page) override;

  // A plugin's page, after every built-in one and the plugin pages before it.
  // The dialog shows it until it is taken back; the plugin keeps owning it.
  void AddPluginPage(QWidget* page, const QString& caption);
  void RemovePluginPage(QWidget* page);
  // Every plugin page leaves the dialog (before the plugins go, and when the
  // dialog does): what the dialog destroys must not take plugin windows with it.
  void GiveBackPluginPages();

  // OK: the pages into the working values, in force at once, then the plugins.
  // True when every plugin agreed and the dialog was hidden.
  bool ApplySettings();
  // Cancel: the plugins hear of it, the dialog hides, the shared items' copy
  // is applied all the same; the other pages' values are dropped.
  void CancelSettings();

  void accept() override { static_cast<void>(ApplySettings()); }
  void reject() override { CancelSettings(); }

  // Picks a folder starting at the given one; empty when none was chosen.
  // Tests answer it themselves.
  std::function<QString(const QString& caption, const QString& start)> ChooseFolder;

  [[nodiscard]] QTabWidget* Pages() const noexcept { return tabs_; }
  [[nodiscard]] QWidget* BuiltInPage(TSettingsPage page) const noexcept {
    return pages_[static_cast<std::size_t>(page)];
  }
  [[nodiscard]] TUsersPage* UsersPage() const noexcept { return usersPage_; }
  [[nodiscard]] TSharedPage* SharedPage() const noexcept { return sharedPage_; }
  [[nodiscard]] QPushButton* OkButton() const noexcept { return ok_; }
  [[nodiscard]] QPushButton* CancelButton() const noexcept { return cancel_; }
  [[nodiscard]] QPushButton* ClearHistoryButton() const noexcept { return clearHistory_; }
  [[nodiscard]] QLineEdit* CompletedFolderField() const noexcept { return completedFolder_; }
  [[nodiscard]] QLineEdit* TempFolderField() const noexcept { return tempFolder_; }
  // A control by its caption's language text, for tests and for the keyboard
  // order; null when the dialog has none of that caption.
  [[nodiscard]] QCheckBox* CheckBox(TTextId caption) const;
  [[nodiscard]] TNumberField* NumberField(TTextId label) const;
  [[nodiscard]] QLabel* Label(TTextId caption) const;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct TLimit;
  struct TBox;
  struct TNumber;
  struct TCaption;

  QWidget* BuildSearchesPage();
  QWidget* BuildUploadsPage();
  QWidget* BuildDownloadsPage();
  QWidget* BuildAdvancedPage();
  QWidget* BuildUsersPage();
  QWidget* BuildSharedPage();
  // A ticked box with its number field and label, which it enables.
  void AddLimit(QGridLayout& grid, TTextId box, TTextId label, TNumberField* field,
                bool& (*flag)(TSettings&), std::int32_t& (*value)(TSettings&));
  QCheckBox* AddBox(TTextId caption, bool& (*flag)(TSettings&));
  TNumberField* AddNumber(TTextId label, std::int32_t& (*value)(TSettings&));
  template <typename Widget>
  Widget* Captioned(Widget* widget, TTextId caption);
  QLabel* NewLabel(TTextId caption);

  void ApplyLanguage();
  void LoadValues();
  void StoreValues();
  void UpdateEnabling();
  void ClearHistoryNow();
  void PickFolder(QLineEdit* field, TTextId caption);
  // Whether every plugin agreed to apply its pages.
  bool AskPluginsToApply();
  [[nodiscard]] int BuiltInPageCount() const;

  TSettingsDialogContext context_;
  QTabWidget* tabs_ = nullptr;
  QWidget* parking_ = nullptr;
  std::array<QWidget*, 6> pages_{};
  std::vector<QPointer<QWidget>> pluginPages_;
  TUsersPage* usersPage_ = nullptr;
  TSharedPage* sharedPage_ = nullptr;

  std::vector<TLimit> limits_;
  std::vector<TBox> boxes_;
  std::vector<TNumber> numbers_;
  std::vector<TCaption> captions_;

  QCheckBox* limitExtensions_ = nullptr;
  QLabel* filterLabel_ = nullptr;
  QLineEdit* filterExtensions_ = nullptr;
  QCheckBox* keepHistory_ = nullptr;
  QLabel* maximumHistoryLabel_ = nullptr;
  TNumberField* maximumHistory_ = nullptr;
  QPushButton* clearHistory_ = nullptr;
  QRadioButton* rememberRequest_ = nullptr;
  QRadioButton* clearRequest_ = nullptr;
  QLineEdit* completedFolder_ = nullptr;
  QLineEdit* tempFolder_ = nullptr;
  QLineEdit* executeExtensions_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace kp
