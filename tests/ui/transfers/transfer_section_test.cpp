// The Downloads and Uploads sections over real transfer lists: the tree as Qt
// checks a model, rows once a frame, the commands a selection is offered,
// where keys and plugin commands go, and the details panel. The plugin that
// owns the test service is a loaded test plugin whose events are answered
// by this file.
#include "ui/transfers/transfer_section.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_events.h"
#include "core/host/plugin_manager.h"
#include "core/services/service_registry.h"
#include "core/transfers/download_list.h"
#include "core/transfers/upload_list.h"
#include "support/temp_folder.h"
#include "ui/controls/graph.h"
#include "ui/controls/progress_bar_xp.h"
#include "ui/transfers/transfer_details.h"
#include "ui/transfers/transfer_model.h"
#include "ui/transfers/transfer_tree_view.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;
using Cell = TTransferModel::Cell;

constexpr const char* kLanguage = R"lang(
[General]
00002 = "Remove Group"
00011 = "Play"
00012 = "Open"
00013 = "Remove"
00025 = "Remove All"
[Downloads]
00001 = "Remotely queued (%d of %d)"
00002 = "Queued (%d of %d)"
00003 = "%d%%"
00004 = "Starting"
00005 = "Complete"
00006 = "Paused"
00007 = "%d%% done"
00008 = "%d bytes/s"
00011 = "All Downloads"
00016 = "Remove every download in this group?"
00017 = "Remotely queued"
00018 = "%d B/s"
[Uploads]
00003 = "%d%%"
00004 = "Starting"
[Transfers]
00001 = "Name"
00003 = "Status"
00005 = "Time left:"
00009 = "Nick"
00010 = "Progress"
00011 = "Speed"
00012 = "Transferred"
00013 = "Size"
)lang";

// The service's plugin as the tests play it: it writes down its events and
// adds a button and a menu entry whenever it is told of a selection.
struct TPluginStandIn {
  static inline Strings events;
  static inline TTransferList* list = nullptr;
  static inline TPluginHolder* plugin = nullptr;

  static void Select(std::uint32_t transfer) {
    events.push_back("select " + std::to_string(transfer));
    list->AddPluginButton(plugin, 900, "Mine", "");
    list->AddPluginMenuEntry(plugin, 901, 0, "Mine too", "");
  }
  static void Button(std::int32_t command, std::uint32_t transfer) {
    events.push_back("button " + std::to_string(command) + " " + std::to_string(transfer));
  }
  static void Menu(std::int32_t command, std::uint32_t transfer) {
    events.push_back("menu " + std::to_string(command) + " " + std::to_string(transfer));
  }
};

class TransferSectionTest : public ::testing::Test {
 protected:
  TransferSectionTest() {
    language_.LoadFromText(kLanguage);
    settings_.SharedItems.ExecuteExtensions.Assign("*.mp3,*.txt");
    const std::filesystem::path copy = temp_ / "Plugins/p.so";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(KP_TP_BUTTON_ONLY, copy);
    EXPECT_TRUE(plugins_.LoadPlugin(copy.string()));
    plugin_ = plugins_.GetPlugin(plugins_.GetPluginCount() - 1);
    plugins_.BindPlugin(*plugin_);
    plugin_->SetEventSlot(EventNumber("OnDownloadSelect"), reinterpret_cast<void*>(&TPluginStandIn::Select));
    plugin_->SetEventSlot(EventNumber("OnDownloadButton"), reinterpret_cast<void*>(&TPluginStandIn::Button));
    plugin_->SetEventSlot(EventNumber("OnDownloadMenu"), reinterpret_cast<void*>(&TPluginStandIn::Menu));
    TPluginStandIn::events.clear();
    TPluginStandIn::list = &downloads_;
    TPluginStandIn::plugin = plugin_;
    const std::uint32_t type = services_.AddType(plugin_, "type", "", TGuid{});
    service_ = services_.AddService(plugin_, type, "Service A", "", "", 0, TGuid{});
    otherService_ = services_.AddService(plugin_, type, "Service B", "", "", 0, TGuid{1});
    downloadsSection_ = std::make_unique<TTransferSection>(downloads_, language_, temp_.Path());
    uploadsSection_ = std::make_unique<TTransferSection>(uploads_, language_, temp_.Path());
  }

  TTransferItem& Download(const char* file = "song.mp3", bool supportPause = true,
                          std::uint32_t service = 0) {
    const std::uint32_t handle =
        downloads_.Add(0, service ? service : service_, "nick", file, false, supportPause, 1000, "url", 0);
    return *downloads_.FindItem(handle);
  }
  TTransferSection& Section() const { return *downloadsSection_; }

  static void Select(TTransferSection& section, std::initializer_list<const TTransferBase*> nodes) {
    QItemSelection selection;
    for (const TTransferBase* node : nodes) {
      const QModelIndex row = section.Model().IndexOf(*node);
      selection.select(row, row);
    }
    section.View().selectionModel()->select(selection,
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  static QVariant Shown(TTransferSection& section, const TTransferBase& node, Cell cell,
                        int role = Qt::DisplayRole) {
    return section.Model().IndexOf(node, section.Model().ColumnOf(cell)).data(role);
  }
  static std::vector<std::int32_t> CoreButtons(TTransferSection& section) {
    std::vector<std::int32_t> commands;
    for (const TButtonHolder* button : section.Commands().Buttons()) {
      if (!button->Plugin) commands.push_back(button->Command);
    }
    return commands;
  }
  static std::string H(const TTransferBase& node) { return std::to_string(node.Handle()); }

  test::TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TSettings settings_;
  TSimpleConfig language_;
  TServiceRegistry services_{temp_.Path()};
  TDownloadList downloads_{services_, plugins_, settings_, temp_.Path()};
  TUploadList uploads_{services_, plugins_, settings_, temp_.Path()};
  std::unique_ptr<TTransferSection> downloadsSection_;
  std::unique_ptr<TTransferSection> uploadsSection_;
  // Last: the plugins stop before anything they may call goes.
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
  TPluginHolder* plugin_ = nullptr;
  std::uint32_t service_ = 0;
  std::uint32_t otherService_ = 0;
};

// Qt's own checks of a model, run on every change; what they find arrives
// as warnings.
class ModelChecks {
 public:
  explicit ModelChecks(QAbstractItemModel& model)
      : tester_(&model, QAbstractItemModelTester::FailureReportingMode::Warning) {
    found_ = &messages_;
    previous_ = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type != QtDebugMsg && type != QtInfoMsg) found_->push_back(text.toStdString());
    });
  }
  ~ModelChecks() { qInstallMessageHandler(previous_); }
  [[nodiscard]] const Strings& Messages() const { return messages_; }

 private:
  static inline Strings* found_ = nullptr;
  Strings messages_;
  QtMessageHandler previous_ = nullptr;
  QAbstractItemModelTester tester_;
};

TEST_F(TransferSectionTest, TheTreeFollowsTheListThroughGroupsAndRemovals) {
  ModelChecks checks(Section().Model());
  TTransferModel& model = Section().Model();
  TTransferItem& first = Download();
  TTransferItem& second = Download("b.txt", true, otherService_);
  const std::uint32_t group = downloads_.AddGroup(plugin_, 0, service_, "Album", "3 files", "");
  const std::uint32_t inGroup = downloads_.Add(group, service_, "nick", "c.mp3", false, false, 10, "", 0);

  ASSERT_EQ(model.rowCount(), 1);
  const QModelIndex root = model.index(0, 0);
  EXPECT_EQ(model.NodeAt(root), downloads_.Root());
  EXPECT_TRUE(Section().View().isExpanded(root));
  EXPECT_TRUE(Section().View().isExpanded(model.IndexOf(*first.Parent))) << "a new group opens";
  ASSERT_EQ(model.rowCount(root), 2) << "one group per service";
  EXPECT_EQ(model.parent(model.IndexOf(first)), model.IndexOf(*first.Parent));
  EXPECT_EQ(model.rowCount(model.IndexOf(*first.Parent)), 2) << "the download and the plugin's group";
  EXPECT_EQ(Shown(Section(), *downloads_.FindPluginGroup(group), Cell::Status).toString(), "3 files");

  downloads_.RemoveTransfer(first);
  downloads_.RemoveTransfer(*downloads_.FindItem(inGroup));
  EXPECT_EQ(model.rowCount(root), 1) << "the emptied service group went with its plugin group";
  downloads_.RemoveTransfer(second);
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(checks.Messages(), Strings{});
}

TEST_F(TransferSectionTest, ChangedRowsReachTheViewOnceAFrame) {
  TTransferItem& running = Download();
  TTransferItem& removed = Download("b.mp3");
  Section().Model().Flush();
  QSignalSpy changes(&Section().Model(), &QAbstractItemModel::dataChanged);

  for (int position = 1; position <= 500; ++position)
    downloads_.Progress(running.Handle(), 0, 1000, position);
  downloads_.Progress(removed.Handle(), 0, 1000, 10);
  downloads_.RemoveTransfer(removed);
  EXPECT_EQ(changes.count(), 0) << "marked only, until the frame ends";

  ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() > 0; }, 1000));
  std::vector<QModelIndex> told;
  for (const QList<QVariant>& change : changes) {
    const QModelIndex from = change.at(0).value<QModelIndex>();
    const QModelIndex to = change.at(1).value<QModelIndex>();
    EXPECT_EQ(from.parent(), to.parent());
    for (int row = from.row(); row <= to.row(); ++row) told.push_back(from.siblingAtRow(row));
  }
  std::sort(told.begin(), told.end());
  EXPECT_EQ(std::adjacent_find(told.begin(), told.end()), told.end()) << "no row twice in a frame";
  EXPECT_NE(std::find(told.begin(), told.end(), Section().Model().IndexOf(running)), told.end());
  EXPECT_EQ(Shown(Section(), running, Cell::Status).toString(), "50%");

  changes.clear();
  Section().Model().Flush();
  EXPECT_EQ(changes.count(), 0) << "nothing left for the next frame";
}

TEST_F(TransferSectionTest, ColumnTitlesInEachListsOrder) {
  auto titles = [](TTransferSection& section) {
    Strings shown;
    for (int column = 0; column < TTransferModel::kColumnCount; ++column) {
      shown.push_back(section.Model().headerData(column, Qt::Horizontal).toString().toStdString());
    }
    return shown;
  };
  EXPECT_EQ(titles(*downloadsSection_),
            (Strings{"Name", "Status", "Nick", "Progress", "Size", "Transferred", "Speed", "Time left"}));
  EXPECT_EQ(titles(*uploadsSection_),
            (Strings{"Name", "Status", "Nick", "Time left", "Progress", "Speed", "Size", "Transferred"}));
}

// Rows per state: the Status cell, and whether the Progress cell draws a bar.
struct TStateCase {
  const char* name;
  std::function<void(TDownloadList&, TTransferItem&)> bringAbout;
  const char* status;
  bool bar;
};

class TransferRowTest : public TransferSectionTest, public ::testing::WithParamInterface<TStateCase> {};

TEST_P(TransferRowTest, StatusAndProgressCells) {
  TTransferItem& item = Download();
  GetParam().bringAbout(downloads_, item);
  Section().Model().Flush();
  EXPECT_EQ(Shown(Section(), item, Cell::Status).toString().toStdString(), GetParam().status);
  EXPECT_EQ(Shown(Section(), item, Cell::Progress, TTransferModel::kShowsProgressRole).toBool(),
            GetParam().bar);
  EXPECT_FALSE(Shown(Section(), item, Cell::Name, Qt::DecorationRole).value<QIcon>().isNull());
  EXPECT_EQ(Shown(Section(), item, Cell::Name).toString(), "song.mp3");
}

INSTANTIATE_TEST_SUITE_P(
    States, TransferRowTest,
    ::testing::Values(
        TStateCase{"Starting", [](TDownloadList&, TTransferItem&) {}, "Starting", false},
        TStateCase{
            "Transferring",
            [](TDownloadList& list, TTransferItem& item) { list.Progress(item.Handle(), 0, 1000, 250); },
            "25%", true},
        TStateCase{"Paused",
                   [](TDownloadList& list, TTransferItem& item) {
                     list.Progress(item.Handle(), 0, 1000, 250);
                     list.PauseTransfer(item);
                   },
                   "Paused (25%)", true},
        TStateCase{"RemotelyQueuedPlaceUnknown",
                   [](TDownloadList& list, TTransferItem& item) { list.Queued(item.Handle(), 0, 5); },
                   "Remotely queued", false},
        TStateCase{"Failed",
                   [](TDownloadList& list, TTransferItem& item) { list.Error(item.Handle(), "Lost"); },
                   "Lost", false}),
    [](const auto& test) { return std::string(test.param.name); });

// The core commands on the bar, in order, for one selected download; the
// menu holds the same.
struct TCommandCase {
  const char* name;
  const char* file;
  bool supportPause;
  std::function<void(TDownloadList&, TTransferItem&)> bringAbout;
  std::vector<std::int32_t> commands;
};

class TransferCommandsTest : public TransferSectionTest,
                             public ::testing::WithParamInterface<TCommandCase> {};

TEST_P(TransferCommandsTest, OfferedForOneSelectedDownload) {
  TTransferItem& item = Download(GetParam().file, GetParam().supportPause);
  GetParam().bringAbout(downloads_, item);
  QCoreApplication::processEvents();
  Select(Section(), {&item});
  EXPECT_EQ(CoreButtons(Section()), GetParam().commands);
  std::vector<std::int32_t> menu;
  for (const TMenuHolder* entry : Section().Commands().MenuEntries()) {
    if (!entry->Plugin) menu.push_back(entry->Command);
  }
  EXPECT_EQ(menu, GetParam().commands);
}

const auto kRunning = [](TDownloadList& list, TTransferItem& item) {
  list.Progress(item.Handle(), 0, 1000, 1);
};

INSTANTIATE_TEST_SUITE_P(
    States, TransferCommandsTest,
    ::testing::Values(
        TCommandCase{"RunningMusic", "a.mp3", true, kRunning, {101, 102, 0, 100}},
        TCommandCase{"RunningWithoutPause", "a.mp3", false, kRunning, {101, 0, 100}},
        TCommandCase{
            "StartingNotYetPausable", "a.mp3", true, [](TDownloadList&, TTransferItem&) {}, {101, 0, 100}},
        TCommandCase{"UnsafeFileNotOpened", "a.exe", true, kRunning, {101, 102, 0}},
        TCommandCase{"Paused",
                     "a.txt",
                     true,
                     [](TDownloadList& list, TTransferItem& item) {
                       kRunning(list, item);
                       list.PauseTransfer(item);
                     },
                     {101, 103, 0, 100}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(TransferSectionTest, PluginCommandsGoToThePluginOncePerSelectedTransfer) {
  TTransferItem& first = Download();
  TTransferItem& second = Download("b.mp3");
  QCoreApplication::processEvents();

  Select(Section(), {&first});
  EXPECT_EQ(TPluginStandIn::events, Strings{"select " + H(first)});
  const auto& buttons = Section().Commands().Buttons();
  ASSERT_FALSE(buttons.empty());
  EXPECT_EQ(buttons.back()->Plugin, plugin_);
  buttons.back()->Button->trigger();
  const auto& entries = Section().Commands().MenuEntries();
  ASSERT_FALSE(entries.empty());
  entries.back()->MenuItem->trigger();
  EXPECT_EQ(TPluginStandIn::events,
            (Strings{"select " + H(first), "button 900 " + H(first), "menu 901 " + H(first)}));

  // Two rows: the core's remove alone, and nobody is asked.
  TPluginStandIn::events.clear();
  Select(Section(), {&second, &first});
  EXPECT_EQ(CoreButtons(Section()), std::vector<std::int32_t>{101});
  EXPECT_EQ(Section().Commands().Buttons().size(), 1u);
  EXPECT_EQ(TPluginStandIn::events, Strings{});
  // A plugin's command on that selection reaches it for each, in selection order.
  Section().RunCommand(901, plugin_, true);
  EXPECT_EQ(TPluginStandIn::events, (Strings{"menu 901 " + H(second), "menu 901 " + H(first)}));
}

// Answers the question boxes that show while it lives, and counts them.
class QuestionAnswerer {
 public:
  explicit QuestionAnswerer(QMessageBox::StandardButton answer) {
    QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      texts.push_back(box->text().toStdString());
      box->button(answer)->click();
    });
    timer_.start(10);
  }
  Strings texts;

 private:
  QTimer timer_;
};

class GroupRemovalTest : public TransferSectionTest, public ::testing::WithParamInterface<bool> {};

TEST_P(GroupRemovalTest, DeleteRemovesTheSelectionAfterAskingForAGroup) {
  TTransferItem& first = Download();
  Download("b.mp3");
  QuestionAnswerer answerer(GetParam() ? QMessageBox::Yes : QMessageBox::No);

  QTest::keyClick(&Section().View(), Qt::Key_Delete);
  EXPECT_EQ(downloads_.Items().size(), 2u) << "nothing selected, nothing removed";

  Select(Section(), {&first});
  QTest::keyClick(&Section().View(), Qt::Key_Delete);
  EXPECT_EQ(downloads_.Items().size(), 1u) << "a transfer goes without a question";
  EXPECT_EQ(answerer.texts, Strings{});

  Select(Section(), {downloads_.Root()});
  QTest::keyClick(&Section().View(), Qt::Key_Delete);
  EXPECT_EQ(answerer.texts, Strings{"Remove every download in this group?"});
  EXPECT_EQ(downloads_.Items().size(), GetParam() ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(YesOrNo, GroupRemovalTest, ::testing::Bool());

TEST_F(TransferSectionTest, DetailsFollowTheFirstSelectedRow) {
  TTransferItem& running = Download();
  TTransferItem& starting = Download("b.mp3");
  downloads_.Progress(running.Handle(), 0, 1000, 500);
  TTransferDetails& details = Section().Details();
  auto label = [&](const char* name) { return details.findChild<QLabel*>(name)->text().toStdString(); };

  Select(Section(), {&starting});
  EXPECT_EQ(details.Shown(), TTransferDetails::Page::Empty) << "a transfer that does not run";
  Select(Section(), {&running, &starting});
  EXPECT_EQ(details.Shown(), TTransferDetails::Page::Transfer);
  EXPECT_EQ(label("DownloadInfoLabel"), "nick");
  EXPECT_EQ(label("DownloadProgressLabel"), "50% done");
  EXPECT_EQ(details.TransferProgressBar().Position(), 50);

  Select(Section(), {downloads_.Root()});
  EXPECT_EQ(details.Shown(), TTransferDetails::Page::Group);
  EXPECT_EQ(label("AllDownloadInfoLabel"), "All Downloads");
  for (int tick = 0; tick < 2 * TTransferList::kTicksPerSample; ++tick) downloads_.Tick();
  const auto& history = downloads_.Root()->SpeedHistory;
  EXPECT_EQ(details.GroupGraph().Values(), std::deque<std::int32_t>(history.begin(), history.end()));
  EXPECT_EQ(details.GroupGraph().Values().size(), 2u);

  Section().View().clearSelection();
  EXPECT_EQ(details.Shown(), TTransferDetails::Page::Empty);
}

}  // namespace
}  // namespace kp
