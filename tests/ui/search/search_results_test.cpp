// The results tabs over a real list of searches whose results come from
// copies of the search test plugin: counts and captions, the batching of new
// rows, the commands offered for a selection and where their clicks go, and
// the search section coming and going with the searches.
#include "ui/search/search_results.h"

#include <QAction>
#include <QTabBar>
#include <QTabWidget>
#include <QtTest/QTest>
#include <algorithm>
#include <memory>

#include "core/config/simple_config.h"
#include "core/host/notification_icons.h"
#include "core/search/search_list_fixture.h"
#include "ui/search/results_model.h"
#include "ui/search/results_tree_view.h"
#include "ui/search/search_results_form.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"

namespace kp {
namespace {

constexpr const char* kLanguage = R"(
[General]
00028 = "Size"
[SearchResults]
00008 = "Stop"
00009 = "Results: %d"
00010 = "Download"
00013 = "Searching..."
00014 = "Nothing found"
)";

class SearchResultsTest : public test::SearchListTest {
 protected:
  SearchResultsTest() {
    language_.LoadFromText(kLanguage);
    settings_.Searching.GroupResults = true;
    mainForm_ = std::make_unique<TMainForm>(TMainFormContext{plugins_, settings_, language_, icons_});
    results_ = std::make_unique<TSearchResults>(searches_, *mainForm_, language_, temp_.Path());
    a_ = std::make_unique<test::TSearchPlugin>(Load("a.so"));
    serviceA_ = AddService(*a_);
  }

  // A search with its tab, the service of plugin a asked.
  TSearchResultsForm& OpenTab() {
    TSearchContext& search = Open();
    searches_.AddService(search, serviceA_);
    return *results_->Tab(search);
  }
  static void TurnEventLoop() { QCoreApplication::processEvents(); }

  static std::vector<std::int32_t> CoreButtons(TSearchResultsForm& tab) {
    std::vector<std::int32_t> commands;
    for (const TButtonHolder* button : tab.Commands().Buttons()) {
      if (!button->Plugin) commands.push_back(button->Command);
    }
    return commands;
  }
  // The top-level rows as the list shows them.
  static QModelIndex ShownRow(TSearchResultsForm& tab, int row) { return tab.Model().index(row, 0); }
  // In one step, as a mouse drag would: the count of selected rows changes once.
  static void Select(TSearchResultsForm& tab, std::initializer_list<int> rows) {
    QItemSelection selection;
    for (int row : rows) selection.select(ShownRow(tab, row), ShownRow(tab, row));
    tab.View().selectionModel()->select(selection,
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  static test::Strings EventsStartingWith(const std::string& start) {
    test::Strings lines;
    for (const std::string& line : Events()) {
      if (line.find(start) != std::string::npos) lines.push_back(line);
    }
    return lines;
  }
  static std::string Handle(const TSearchContext& search, std::size_t result) {
    return std::to_string(search.Results[result]->Handle());
  }

  TSimpleConfig language_;
  TNotificationIcons icons_;
  std::unique_ptr<TMainForm> mainForm_;
  std::unique_ptr<TSearchResults> results_;
  std::unique_ptr<test::TSearchPlugin> a_;
  std::uint32_t serviceA_ = 0;
};

TEST_F(SearchResultsTest, CountsTopLevelRowsOncePerTurnOfTheEventLoop) {
  TSearchResultsForm& tab = OpenTab();
  const std::int32_t id = tab.Search().SearchID;
  EXPECT_EQ(tab.StatusText().toStdString(), " Searching...");
  for (const char* hash : {"H1", "H1", "H2", "", "H1"}) {
    test::TSearchPlugin::Result r;
    r.hashCode = hash;
    a_->Add(serviceA_, id, r);
  }
  EXPECT_EQ(tab.Model().rowCount(), 0) << "rows wait for the next turn of the event loop";

  TurnEventLoop();
  EXPECT_EQ(tab.Model().rowCount(), 3);
  EXPECT_EQ(tab.Model().rowCount(tab.Model().index(0, 0)), 2);
  EXPECT_EQ(tab.StatusText().toStdString(), " Results: 3");
  EXPECT_EQ(results_->Pages().tabText(0).toStdString(), "text (3)");

  // A later batch of only grouped results goes under the row shown before.
  test::TSearchPlugin::Result grouped;
  grouped.hashCode = "H2";
  a_->Add(serviceA_, id, grouped);
  TurnEventLoop();
  EXPECT_EQ(tab.Model().rowCount(), 3);
  EXPECT_EQ(tab.Model().rowCount(tab.Model().index(1, 0)), 1);
}

TEST_F(SearchResultsTest, SortedBySizeAsNumbersLaterBatchesMergeInAndTheSelectionStays) {
  TSearchResultsForm& tab = OpenTab();
  tab.View().sortByColumn(TResultsModel::kSize, Qt::AscendingOrder);
  const auto add = [&](std::int32_t size, const char* hash) {
    test::TSearchPlugin::Result r;
    r.size = size;
    r.hashCode = hash;
    a_->Add(serviceA_, tab.Search().SearchID, r);
  };
  add(900, "A");
  add(10000, "");
  add(50, "");
  TurnEventLoop();
  Select(tab, {1});
  TSearchResultHolder* selected = tab.SelectedResults().at(0);
  add(500, "");
  add(20000, "");
  add(7, "A");
  add(3, "A");
  TurnEventLoop();

  const auto sizes = [&](const QModelIndex& parent) {
    std::vector<std::string> shown;
    for (int row = 0; row < tab.Model().rowCount(parent); ++row) {
      shown.push_back(tab.Model().index(row, TResultsModel::kSize, parent).data().toString().toStdString());
    }
    return shown;
  };
  EXPECT_EQ(sizes({}), (std::vector<std::string>{"50", "500", "900", "10,000", "20,000"}));
  EXPECT_EQ(sizes(tab.Model().index(2, 0)), (std::vector<std::string>{"3", "7"}));
  EXPECT_EQ(tab.SelectedResults(), (std::vector<TSearchResultHolder*>{selected}));
  EXPECT_EQ(selected->Size, 900);
}

// A search that ends without a result says so and no longer offers to stop,
// whether its services completed or the user stopped it.
class SearchEndTest : public SearchResultsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SearchEndTest, NothingFoundAndNoStopCommand) {
  TSearchResultsForm& tab = OpenTab();
  EXPECT_EQ(CoreButtons(tab), (std::vector<std::int32_t>{TSearchResultsForm::kStopCommand, 0}));
  if (GetParam()) {
    a_->Complete(serviceA_, tab.Search().SearchID);
  } else {
    tab.Commands().Buttons().front()->Button->trigger();
  }
  EXPECT_TRUE(tab.Search().Stopped);
  EXPECT_EQ(tab.StatusText().toStdString(), " Nothing found");
  EXPECT_TRUE(CoreButtons(tab).empty());
  EXPECT_TRUE(tab.ContextMenu().actions().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(CompletedOrStopped, SearchEndTest, ::testing::Bool());

TEST_F(SearchResultsTest, OnlyASingleSelectedRowAsksItsPluginAtEveryRebuild) {
  TSearchResultsForm& tab = OpenTab();
  for (int i = 0; i < 2; ++i) a_->Add(serviceA_, tab.Search().SearchID, {});
  TurnEventLoop();

  Select(tab, {0, 1});
  EXPECT_EQ(CoreButtons(tab), (std::vector<std::int32_t>{TSearchResultsForm::kStopCommand, 0,
                                                         TSearchResultsForm::kDownloadCommand}));
  EXPECT_TRUE(EventsStartingWith(":select").empty());

  Select(tab, {1});
  tab.RebuildCommands();
  EXPECT_EQ(EventsStartingWith(":select").size(), 2u);
  EXPECT_EQ(searches_.CurrentResultsContext(), &tab.Search());
}

TEST_F(SearchResultsTest, PluginCommandsGoToThePluginOfTheFirstSelectedRow) {
  test::TSearchPlugin b = Load("b.so");
  const std::uint32_t serviceB = AddService(b);
  b.AddCommandsOnSelect(true);
  TSearchResultsForm& tab = OpenTab();
  a_->Add(serviceA_, tab.Search().SearchID, {});
  b.Add(serviceB, tab.Search().SearchID, {});
  TurnEventLoop();

  Select(tab, {1});
  const auto& buttons = tab.Commands().Buttons();
  const auto pluginButton = std::find_if(buttons.begin(), buttons.end(),
                                         [](const TButtonHolder* button) { return button->Plugin; });
  ASSERT_NE(pluginButton, buttons.end());
  (*pluginButton)->Button->trigger();

  Select(tab, {0, 1});
  tab.RunCommand(3, &b.Holder(), true);
  EXPECT_EQ(EventsStartingWith("OnSearchResult"),
            (test::Strings{"b.so:OnSearchResultButton 7 " + Handle(tab.Search(), 1),
                           "a.so:OnSearchResultMenu 3 " + Handle(tab.Search(), 0)}));
}

TEST_F(SearchResultsTest, EnterDownloadsEachSelectedResultWithItsGroupAndNothingWithoutSelection) {
  TSearchResultsForm& tab = OpenTab();
  for (const char* hash : {"H", "", "H"}) {
    test::TSearchPlugin::Result r;
    r.hashCode = hash;
    a_->Add(serviceA_, tab.Search().SearchID, r);
  }
  TurnEventLoop();
  QTest::keyClick(&tab.View(), Qt::Key_Return);
  EXPECT_TRUE(EventsStartingWith("Execute").empty());

  Select(tab, {1, 0});
  QTest::keyClick(&tab.View(), Qt::Key_Return);
  const TSearchContext& search = tab.Search();
  EXPECT_EQ(EventsStartingWith("Execute"),
            (test::Strings{"a.so:OnSearchResultExecute " + Handle(search, 1),
                           "a.so:OnSearchResultExecute " + Handle(search, 0),
                           "a.so:OnSearchResultExecute " + Handle(search, 2)}));
}

TEST_F(SearchResultsTest, SectionShowsOnlyWhileASearchIsOpen) {
  TSectionPages& sections = mainForm_->Sections();
  EXPECT_FALSE(sections.IsShown(Section::SearchResults));
  const std::int32_t id = OpenTab().Search().SearchID;
  EXPECT_TRUE(sections.IsShown(Section::SearchResults));

  QTabBar* bar = results_->Pages().tabBar();
  QTest::mouseClick(bar->tabButton(0, QTabBar::RightSide), Qt::LeftButton);
  EXPECT_EQ(results_->Pages().count(), 0);
  EXPECT_FALSE(sections.IsShown(Section::SearchResults));
  EXPECT_EQ(EventsStartingWith("OnSearchClose"), (test::Strings{"a.so:OnSearchClose " + std::to_string(id)}));

  OpenTab();
  EXPECT_TRUE(sections.IsShown(Section::SearchResults));
}

}  // namespace
}  // namespace kp
