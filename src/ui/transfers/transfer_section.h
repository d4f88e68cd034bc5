#pragma once
// The content of the Downloads or the Uploads section: the list, its command
// bar and context menu, and the details panel with the two buttons that show
// and hide it. It is the list's view: the core tells it of rows, commands and
// speed samples, and the user's keys and clicks reach the core's operations
// from here.
//
// The commands are rebuilt whenever the selection may have changed (selection,
// focus, mouse, keys) and when the core asks; the core's requests, which come
// in bursts, are served once per turn of the event loop.

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/transfers/transfer_list_view.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"

class QMenu;
class QToolBar;
class QToolButton;

namespace kp {

class TSimpleConfig;
class TTransferDetails;
class TTransferList;
class TTransferModel;
class TTransferTreeView;

class TTransferSection final : public QWidget, public ITransferListView {
  Q_OBJECT

 public:
  // Becomes the list's view until destroyed; the list and the language
  // outlive this. The program folder resolves the commands' icons.
  TTransferSection(TTransferList& list, TSimpleConfig& language, std::string programFolder,
                   QWidget* parent = nullptr);
  TTransferSection(const TTransferSection&) = delete;
  TTransferSection& operator=(const TTransferSection&) = delete;
  ~TTransferSection() override;

  [[nodiscard]] TTransferList& List() const noexcept { return list_; }

  // The details panel and the toggle buttons that match it.
  void SetDetailsShown(bool shown);
  [[nodiscard]] bool DetailsShown() const noexcept { return detailsShown_; }
  // The column titles and the details panel's captions.
  void ApplyLanguage();

  // The core's commands for the selection, then the single selected
  // transfer's plugin adds its own; the details panel follows.
  void RefreshCommands();
  void RefreshDetails();
  // A command of the bar, the menu or a key, applied to the selection.
  void RunCommand(std::int32_t command, TPluginHolder* owner, bool fromMenu);
  // The selected rows, in the order they were selected.
  [[nodiscard]] std::vector<TTransferBase*> SelectedNodes() const;

  [[nodiscard]] TTransferTreeView& View() const noexcept { return *view_; }
  [[nodiscard]] TTransferModel& Model() const noexcept { return *model_; }
  [[nodiscard]] TTransferDetails& Details() const noexcept { return *details_; }
  [[nodiscard]] TCommandManager& Commands() noexcept { return commands_; }
  [[nodiscard]] QMenu& ContextMenu() const noexcept { return *popup_; }
  [[nodiscard]] QToolButton& ShowDetailsButton() const noexcept { return *showButton_; }
  [[nodiscard]] QToolButton& HideDetailsButton() const noexcept { return *hideButton_; }

  // The list's view.
  void NodeInserting(const TTransferGroup* parent, std::int32_t row) override;
  void NodeInserted() override;
  void NodeRemoving(const TTransferBase& node) override;
  void NodeRemoved() override;
  void ExpandRoot() override;
  void RowChanged(const TTransferBase& node) override;
  void AllRowsChanged() override;
  void CommandsChanged() override;
  void SpeedsSampled() override;
  bool ConfirmGroupRemoval() override;
  void AddPluginButton(TPluginHolder* owner, std::int32_t command, std::string_view description,
                       const std::string& iconFile) override;
  std::uint32_t AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command, std::uint32_t parentMenu,
                                   std::string_view description, const std::string& iconFile) override;

 private:
  void RefreshOnce();
  void SelectionChanged();
  void ShowContextMenu(const QPoint& at);
  [[nodiscard]] TTransferBase* FirstSelected() const;
  [[nodiscard]] const std::string& IconFile(std::string_view name);

  TTransferList& list_;
  TSimpleConfig& language_;
  std::string programFolder_;
  // The core commands' icons, resolved once: the commands are rebuilt at
  // every click.
  std::unordered_map<std::string, std::string> icons_;
  TTransferModel* model_ = nullptr;
  TTransferTreeView* view_ = nullptr;
  TTransferDetails* details_ = nullptr;
  QToolButton* showButton_ = nullptr;  // visible while the panel is hidden
  QToolButton* hideButton_ = nullptr;  // visible while it is shown
  QToolBar* bar_ = nullptr;
  QMenu* popup_ = nullptr;
  TImageList commandImages_;
  TCommandManager commands_;
  QTimer commandsRequest_;
  // Inside the core's change of the tree: the selection may change, but the
  // core is not to be asked anything until it has finished.
  int structureChanges_ = 0;
  // The place of the node being inserted.
  std::pair<const TTransferGroup*, std::int32_t> inserting_{nullptr, 0};
  bool detailsShown_ = false;
  bool rebuilding_ = false;
  bool rebuildAgain_ = false;
};

}  // namespace kp
