#pragma once
// The Shared files section: the shared namespace one folder at a time, as the
// live share tree serves it to remote users, with a location chooser, an "up"
// step and commands for the selected entry that plugins extend.
//
// It can also show the namespace as one remote person would see it (a user of
// a service, or anybody on a service): then only what the access check lets
// that person list is shown, each row with the rights the check grants there.
// The check is the one that serves plugins, so the view cannot drift from it.
//
// A large folder is listed a batch per turn of the event loop, so the window
// stays responsive while the rows come in.

#include <QComboBox>
#include <QTimer>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "core/sharing/shared_items.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"

class QLabel;
class QMenu;
class QToolBar;
class QToolButton;
class QTreeView;

namespace kp {

class TServiceRegistry;
class TShareFolderReader;
class TSharedAccessCheck;
class TSharedFilesModel;
class TSimpleConfig;
class TUsers;
struct TSettings;

// What the section works with; everything outlives the section.
struct TSharedFilesContext {
  TSharedItemList& Items;
  const TSharedAccessCheck& Access;
  TServiceRegistry& Services;
  TUsers& Users;
  const TSettings& Settings;  // the execute masks, read at every open
  TSimpleConfig& Language;
  std::string ProgramFolder;  // resolves the commands' icons
};

// Whose view the section shows: service 0 is the local user, who sees
// everything; otherwise the service's user of the name, or anybody on the
// service when the name is empty.
struct TSharedViewer {
  std::uint32_t Service = 0;
  std::string User;
  [[nodiscard]] bool Myself() const noexcept { return Service == 0; }
  bool operator==(const TSharedViewer&) const = default;
};

// The viewer choice; its entries are read afresh whenever it opens, since
// services and accounts come and go.
class TViewerBox final : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  std::function<void()> BeforePopup;
  void showPopup() override;
};

class TSharedFilesSection final : public QWidget, public ISharedFilesSection {
  Q_OBJECT

 public:
  // The command the section itself offers for every entry it can open.
  static constexpr std::int32_t kOpenCommand = 102;

  // Becomes the items' section until destroyed.
  explicit TSharedFilesSection(TSharedFilesContext context, QWidget* parent = nullptr);
  TSharedFilesSection(const TSharedFilesSection&) = delete;
  TSharedFilesSection& operator=(const TSharedFilesSection&) = delete;
  ~TSharedFilesSection() override;

  // Shows the folder; rebuild also rebuilds the location choices for it.
  void Navigate(const std::string& path, bool rebuild);
  void GoUp();
  // A folder is entered; a file is opened when its real path matches an
  // execute mask, otherwise nothing happens.
  void OpenSelected();
  // A click on the bar or the menu, or a plugin's command.
  void RunCommand(std::int32_t command, TPluginHolder* owner, bool fromMenu);
  // Drops the commands and offers them anew for the selection; plugins hear of it.
  void RefreshCommands();

  void ViewAs(const TSharedViewer& viewer);
  [[nodiscard]] const TSharedViewer& Viewer() const noexcept { return viewer_; }
  // The entries of the viewer choice, read from the services and their accounts.
  void RebuildViewerChoices();

  // The folder is still being read, or rows are still to come from it.
  [[nodiscard]] bool Filling() const noexcept { return reading_ || cursor_ != nullptr; }
  // Rows per turn of the event loop.
  void SetBatchSize(std::size_t rows) noexcept { batchSize_ = rows > 0 ? rows : 1; }
  void ApplyLanguage();

  [[nodiscard]] TSharedFilesModel& Model() const noexcept { return *model_; }
  [[nodiscard]] QTreeView& View() const noexcept { return *view_; }
  [[nodiscard]] QComboBox& LocationChoices() const noexcept { return *choices_; }
  [[nodiscard]] TViewerBox& ViewerChoices() const noexcept { return *viewers_; }
  [[nodiscard]] QLabel& LocationLabel() const noexcept { return *location_; }
  [[nodiscard]] QToolButton& UpButton() const noexcept { return *up_; }
  [[nodiscard]] TCommandManager& Commands() noexcept { return commands_; }
  // The record the plugins' commands apply to: the first selected row's at
  // the last change of the selection; none once its rows are gone.
  [[nodiscard]] const TSharedResultRecord* SelectedRecord() const noexcept { return selected_; }

  // The core's side.
  [[nodiscard]] std::string ShownLocation() const override { return locationPath_; }
  void AddRow(std::unique_ptr<TSharedResultRecord> record) override;
  void AddPluginButton(TPluginHolder* owner, std::int32_t command, std::string_view description,
                       const std::string& iconFile) override;
  std::uint32_t AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command, std::uint32_t parentMenu,
                                   std::string_view description, const std::string& iconFile) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The location again for the viewer, or the root when it is closed to them.
  void ShowAgain();
  // The read of the ticket has ended: the folder is listed, if still wanted.
  void ShowRead(std::uint64_t ticket);
  void FillBatch();
  void StopFilling();
  void SelectFirstRow();
  void BuildChoices(const std::string& path);
  void AddChoice(const std::string& path, const std::string& caption, int indent, int image);
  void ChoiceChanged();
  void ShowContextMenu(const QPoint& at);
  void RefreshOnce();
  // What the viewer may do at the path: none when the check refuses it, an
  // empty text for the local user (who is not checked).
  [[nodiscard]] std::optional<QString> RightsAt(std::string_view virtualPath) const;
  [[nodiscard]] bool MayExecute(std::string_view realPath) const;
  [[nodiscard]] TSharedResultRecord* FirstSelected() const;
  [[nodiscard]] const std::string& IconFile(std::string_view name);

  TSharedFilesContext context_;
  TSharedFilesModel* model_ = nullptr;
  QTreeView* view_ = nullptr;
  QLabel* locationCaption_ = nullptr;
  QLabel* location_ = nullptr;
  QLabel* viewAsCaption_ = nullptr;
  QComboBox* choices_ = nullptr;
  TViewerBox* viewers_ = nullptr;
  QToolButton* up_ = nullptr;
  QToolBar* bar_ = nullptr;
  QMenu* popup_ = nullptr;
  TImageList commandImages_;
  TCommandManager commands_;
  std::unordered_map<std::string, std::string> icons_;

  std::string locationPath_ = "/";
  bool choicesBlocked_ = false;
  TSharedViewer viewer_;
  TSharedResultRecord* selected_ = nullptr;
  bool rebuilding_ = false;
  bool rebuildAgain_ = false;

  // Folders are read from the disk off the main thread; a read that ends
  // quickly is waited for, so a small folder shows at once.
  std::unique_ptr<TShareFolderReader> reader_;
  std::uint64_t readTicket_ = 0;
  bool reading_ = false;
  bool rebuildChoices_ = false;
  // The listing under way; closed when the folder is done or left.
  std::unique_ptr<TShareResults> cursor_;
  std::size_t batchSize_ = 2000;
  QTimer fillTimer_;
  // The items changed while somebody else's view is shown: it is listed again.
  QTimer itemsChanged_;
};

}  // namespace kp
