// The example plugin that ships with the program answering a search, as a
// user meets it: results arrive from its thread after the request returned,
// copies of one file group under one row, the search completes, and a selected
// result's own command shows its details. A search still being answered when
// the program ends does not hold the end up.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/search/search_list.h"
#include "core/search/search_request.h"
#include "support/temp_folder.h"
#include "ui/search/results_tree_view.h"
#include "ui/search/search_results_form.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"

namespace kp {
namespace {

QMessageBox* ShownMessageBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  }
  return nullptr;
}

TEST(ExampleSearch, AnswersFromItsThreadGroupsCompletesAndShowsDetails) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder / "Plugins");
  std::filesystem::copy_file(KP_EXAMPLE_PLUGIN, folder / "Plugins/Example.fpn");
  // Set up before: the example would ask for the setup wizard without a nickname.
  folder.WriteFile("Plugins/Example.nickname", "tester");
  TSimpleConfig settings;
  settings.LoadFromText("[Application]\nName = \"Keplinor\"\nSetupComplete = \"TRUE\"\n[Searching]\nGroupResults = \"TRUE\"\n");
  TSimpleConfig language;
  TMainThreadQueue queue;
  TDispatcher dispatcher{queue};
  TApiRegistry registry{dispatcher};
  TDesktopProgram program(folder.Path(), settings, language, registry, queue);
  ASSERT_TRUE(program.Start());

  // Every service: both of the example's servers are asked.
  TSearchRequest& request = program.Run().SearchRequest();
  request.SetMP3Search(true);
  request.SetText1(" Nina Example ");
  request.SetText2("Blue Song");
  request.Prepare();
  const TSearchRequest::TSendOutcome sent = request.Send();
  ASSERT_EQ(sent.fault, TRequestFault::None);
  TSearchContext* search = program.Run().Searches().FindSearch(sent.searchID);
  ASSERT_NE(search, nullptr);
  EXPECT_EQ(search->PendingServices.size(), 2u);
  EXPECT_TRUE(search->Results.empty()) << "answered on the main thread, not from the plugin's own";

  ASSERT_TRUE(QTest::qWaitFor([&] { return search->Stopped; }, 10000));
  ASSERT_GE(search->Results.size(), 12u);
  std::set<const TServiceHolder*> services;
  for (const auto& result : search->Results) {
    services.insert(result->Service);
    EXPECT_EQ(result->Description.rfind("Nina Example - Blue Song", 0), 0u) << result->Description;
    EXPECT_TRUE(result->IsMusicFile && result->Bitrate > 0 && result->Length > 0 && result->Frequency > 0)
        << result->Description;
    for (const TSearchResultHolder* child : result->Children) EXPECT_EQ(child->HashCode, result->HashCode);
  }
  EXPECT_EQ(services.size(), 2u);
  EXPECT_LT(static_cast<std::size_t>(search->ResultCount), search->Results.size());
  EXPECT_TRUE(
      std::ranges::any_of(search->Results, [](const auto& result) { return !result->Children.empty(); }));

  // Selecting a row gives the plugin its turn to add its command; its click
  // shows that row's result.
  auto tabs = program.MainForm().findChildren<TSearchResultsForm*>();
  ASSERT_EQ(tabs.size(), 1);
  TSearchResultsForm& tab = *tabs.front();
  QCoreApplication::processEvents();  // rows are shown at the next turn
  tab.View().setCurrentIndex(tab.View().model()->index(0, 0));
  ASSERT_EQ(tab.SelectedResults().size(), 1u);
  const std::string description = tab.SelectedResults().front()->Description;
  const auto& buttons = tab.Commands().Buttons();
  const auto own = std::ranges::find_if(buttons, [](const TButtonHolder* button) { return button->Plugin; });
  ASSERT_NE(own, buttons.end());
  ASSERT_TRUE((*own)->Button);
  (*own)->Button->trigger();
  QMessageBox* box = ShownMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text().toStdString(), description);

  // A second search still being answered as the program ends.
  request.SetText1("Another Artist");
  const TSearchRequest::TSendOutcome second = request.Send();
  ASSERT_EQ(second.fault, TRequestFault::None);
  QTest::qWait(50);
  program.Finish();
  EXPECT_EQ(ShownMessageBox(), nullptr);
}

}  // namespace
}  // namespace kp
