// The example plugin's command in the Shared files section, over the real
// section, share tree and shared-files calls: the plugin offers it for each
// selection, and a click on the bar or in the menu says in its tab what it
// would offer.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTreeView>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/services/service_api.h"
#include "core/services/service_registry.h"
#include "core/sharing/shared_access_check.h"
#include "core/sharing/shared_api.h"
#include "core/users/users.h"
#include "support/temp_folder.h"
#include "ui/sharing/shared_files_model.h"
#include "ui/sharing/shared_files_section.h"

namespace kp {
namespace {

namespace fs = std::filesystem;

class ExamplePluginShared : public ::testing::Test {
 protected:
  ExamplePluginShared() {
    temp_.WriteFile("music/Rock/loud.mp3", "");
    temp_.WriteFile("music/notes.txt", "n");
    items_.RegisterFolder(shares_.AddDirectory(temp_ / "music", "Music", true, "*.*"), false);
    fs::create_directories(temp_ / "Plugins");
    fs::copy_file(KP_EXAMPLE_PLUGIN, temp_ / "Plugins/Example.fpn");
    EXPECT_TRUE(plugins_.LoadPlugin(temp_ / "Plugins/Example.fpn"));
    plugins_.BindPlugin(Plugin());
    section_ = std::make_unique<TSharedFilesSection>(
        TSharedFilesContext{items_, check_, services_, users_, settings_, language_, temp_.Path()});
    section_->Navigate("/Music", true);
  }
  ~ExamplePluginShared() override {
    // The plugin goes before the section whose commands it owns.
    plugins_.UnloadAllPlugins();
  }

  TPluginHolder& Plugin() const { return *plugins_.GetPlugin(0); }

  void Select(const std::string& name) const {
    TSharedFilesModel& model = section_->Model();
    for (int row = 0; row < model.rowCount(); ++row) {
      if (model.index(row, 0).data().toString().toStdString() != name) continue;
      section_->View().selectionModel()->select(
          model.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
      return;
    }
    ADD_FAILURE() << name << " is not listed";
  }

  // The plugin's commands now offered, as "bar <caption>" and "menu <caption>".
  std::vector<std::string> PluginCommands() {
    std::vector<std::string> offered;
    for (const TButtonHolder* button : section_->Commands().Buttons()) {
      if (button->Plugin == &Plugin() && button->Button)
        offered.push_back("bar " + button->Button->text().toStdString());
    }
    for (const TMenuHolder* entry : section_->Commands().MenuEntries()) {
      if (entry->Plugin == &Plugin() && entry->MenuItem)
        offered.push_back("menu " + entry->MenuItem->text().trimmed().toStdString());
    }
    return offered;
  }

  // What the plugin's tab says; its widget is not hosted here, so it stands alone.
  static std::string TabStatus() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (label->text().startsWith("Would offer")) return label->text().toStdString();
      }
    }
    return {};
  }

  void Click(bool fromMenu) {
    const std::int32_t command = section_->Commands().Buttons().back()->Command;
    section_->RunCommand(command, &Plugin(), fromMenu);
  }

  test::TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TSettings settings_;
  TSimpleConfig language_;
  TServiceRegistry services_{temp_.Path()};
  TServiceApi serviceApi_{api_, services_};
  TUsers users_{services_};
  TShareManager shares_{&queue_};
  TSharedItemList items_{shares_, &plugins_};
  TSharedAccessCheck check_{items_, services_};
  TSharedApi sharedApi_{api_, items_, check_, temp_.Path()};
  std::unique_ptr<TSharedFilesSection> section_;
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
};

TEST_F(ExamplePluginShared, OffersItsCommandForEachSelectionAndShowsWhatItWouldOffer) {
  const std::vector<std::string> once = {"bar Offer on Example network", "menu Offer on Example network"};
  Select("notes.txt");
  EXPECT_EQ(PluginCommands(), once);
  // Every selection offers it anew, never twice over.
  Select("Rock");
  EXPECT_EQ(PluginCommands(), once);
  EXPECT_EQ(TabStatus(), "");

  Click(false);
  EXPECT_EQ(TabStatus(), "Would offer the folder Rock (/Music/Rock) on Example network.");
  Select("notes.txt");
  Click(true);
  EXPECT_EQ(TabStatus(), "Would offer the file notes.txt (/Music/notes.txt) on Example network.");
}

}  // namespace
}  // namespace kp
