// The example plugin's page in the setup wizard at a first start: it refuses
// to move on without a nickname and keeps the one given when the setup is
// finished; and its page in the settings dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "support/temp_folder.h"
#include "ui/host/plugin_panel.h"
#include "ui/settings/settings_dialog.h"
#include "ui/setup/setup_wizard_dialog.h"
#include "ui/shell/desktop_program.h"

namespace kp {
namespace {

TEST(ExampleSetup, TheWizardPageWantsANicknameAndTheSetupKeepsIt) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder / "Plugins");
  std::filesystem::copy_file(KP_EXAMPLE_PLUGIN, folder / "Plugins/Example.fpn");
  TSimpleConfig settings;
  TSimpleConfig language;
  language.LoadFromText("[General]\n00006 = \"Next\"\n00008 = \"Finish\"\n");
  TMainThreadQueue queue;
  TDispatcher dispatcher{queue};
  TApiRegistry registry{dispatcher};
  TDesktopProgram program(folder.Path(), settings, language, registry, queue);

  bool refused = false;
  QTimer user;
  user.setInterval(5);
  QObject::connect(&user, &QTimer::timeout, [&] {
    TSetupWizardDialog* wizard = program.SetupWizard();
    if (!wizard || !wizard->isVisible()) return;
    user.stop();
    wizard->AgreeYes()->click();
    wizard->NextButton()->click();
    auto* field = wizard->PluginPanel()->HostedWidget()
                      ? wizard->PluginPanel()->HostedWidget()->findChild<QLineEdit*>()
                      : nullptr;
    ASSERT_NE(field, nullptr) << "the example's page is shown";
    EXPECT_EQ(wizard->NextButton()->text(), "Finish") << "its only page, of the only participant";
    wizard->NextButton()->click();
    refused = wizard->isVisible();
    field->setText("  tester ");
    wizard->NextButton()->click();
    if (wizard->isVisible()) wizard->CancelButton()->click();
  });
  user.start();
  ASSERT_TRUE(program.Start());
  EXPECT_TRUE(refused) << "no nickname, no Finish";
  std::ifstream saved(folder / "Plugins/Example.nickname");
  std::stringstream text;
  text << saved.rdbuf();
  EXPECT_EQ(text.str(), "tester");

  // The settings dialog's page shows it.
  QTabWidget& pages = *program.SettingsDialog()->Pages();
  QWidget* page = pages.widget(pages.count() - 1);
  EXPECT_EQ(pages.tabText(pages.count() - 1), "Example");
  auto* field = page->findChild<QLineEdit*>();
  ASSERT_NE(field, nullptr);
  EXPECT_EQ(field->text(), "tester");
}

}  // namespace
}  // namespace kp
