#pragma once
// One results tab: the list of an open search's results, its status line,
// and the command bar and context menu that are rebuilt whenever the
// selection may have changed. The commands plugins add for the selected
// result live until the next rebuild; a click on one goes to the plugin of
// the first selected result.
//
// The tab lives exactly as long as its search is open.

#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"

class QLabel;
class QMenu;
class QToolBar;

namespace kp {

class TPluginHolder;
class TResultsModel;
class TResultsTreeView;
class TSearchContext;
class TSearchList;
class TSimpleConfig;
struct TSearchResultHolder;
struct TTextId;

class TSearchResultsForm final : public QWidget {
  Q_OBJECT

 public:
  // The core's two commands of a results tab.
  static constexpr std::int32_t kDownloadCommand = 101;
  static constexpr std::int32_t kStopCommand = 102;

  TSearchResultsForm(TSearchList& searches, TSearchContext& search, TSimpleConfig& language,
                     std::string programFolder, QWidget* parent = nullptr);
  ~TSearchResultsForm() override;

  [[nodiscard]] TSearchContext& Search() const noexcept { return search_; }
  // The tab's caption: the search's text, and its number of rows once
  // results arrived.
  [[nodiscard]] const QString& Caption() const noexcept { return caption_; }
  [[nodiscard]] QString StatusText() const;

  // search.Results[first] onwards arrived; they are shown at the next turn of
  // the event loop.
  void ResultsAdded(std::size_t first);
  // The search stopped, or its services changed.
  void StateChanged();

  // Core commands for the state of the search and the selection, then the
  // selected result's plugin adds its own.
  void RebuildCommands();
  // A command of the bar or the menu; owner null for the core's own.
  void RunCommand(std::int32_t command, TPluginHolder* owner, bool fromMenu);
  // Each selected result, then the results grouped under it, to its plugin.
  void DownloadSelection();
  // The selected results, in the order they were selected.
  [[nodiscard]] std::vector<TSearchResultHolder*> SelectedResults() const;

  // A plugin's own entries, while it handles the selection.
  void AddPluginButton(TPluginHolder* owner, std::int32_t command, std::string_view description,
                       const std::string& iconFile);
  std::uint32_t AddPluginMenuEntry(TPluginHolder* owner, std::int32_t command, std::uint32_t parentMenu,
                                   std::string_view description, const std::string& iconFile);

  [[nodiscard]] TResultsTreeView& View() const noexcept { return *view_; }
  [[nodiscard]] TResultsModel& Model() const noexcept { return *model_; }
  [[nodiscard]] TCommandManager& Commands() noexcept { return commands_; }
  [[nodiscard]] QMenu& ContextMenu() const noexcept { return *popup_; }

 signals:
  void captionChanged(const QString& caption);

 private:
  void UpdateCounts();
  void ShowStatus(const QString& text);
  void RebuildOnce();
  void SelectionChanged();
  void ShowContextMenu(const QPoint& at);
  [[nodiscard]] QString Text(const TTextId& id) const;

  TSearchList& searches_;
  TSearchContext& search_;
  TSimpleConfig& language_;
  // The core commands' icon files, looked up once: the commands are rebuilt
  // at every change of selection.
  std::string stopIcon_;
  std::string downloadIcon_;
  QString caption_;
  TResultsModel* model_ = nullptr;
  TResultsTreeView* view_ = nullptr;
  QToolBar* bar_ = nullptr;
  QMenu* popup_ = nullptr;
  QLabel* status_ = nullptr;
  TImageList commandImages_;
  TCommandManager commands_;
  int selectedCount_ = 0;
  bool rebuilding_ = false;
  bool rebuildAgain_ = false;
};

}  // namespace kp
