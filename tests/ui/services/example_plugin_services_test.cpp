// The example plugin that ships with the program, as a user meets its services:
// listed in the navigator and the services menu, one more added through the
// wizard's pages, and the main window going online from its panel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <filesystem>
#include <string>

#include "core/config/simple_config.h"
#include "ui/controls/service_navigator.h"
#include "core/host/api_registry.h"
#include "ui/host/plugin_panel.h"
#include "ui/services/desktop_services.h"
#include "core/services/service_registry.h"
#include "ui/services/service_wizard_dialog.h"
#include "ui/services/services_section.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"
#include "ui/shell/tray_icon.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

constexpr const char* kLayout = R"(
<!MAIN_MENU>
  <!ENTRY Custom="SERVICES_LIST_COMMAND">
    <!ENTRY Custom="ADD_SERVICES_COMMAND"><!/ENTRY>
  <!/ENTRY>
<!/MAIN_MENU>
<!SECTIONS>
  <SECTION NAME="SERVICES">
<!/SECTIONS>
)";

template <typename Widget>
Widget* Find(QWidget* parent, const QString& text = {}) {
  if (!parent) return nullptr;
  for (Widget* widget : parent->findChildren<Widget*>()) {
    if (text.isEmpty()) return widget;
    if constexpr (std::is_same_v<Widget, QPushButton>) {
      if (widget->text().remove('&') == text) return widget;
    }
  }
  return nullptr;
}

QStringList EntriesOf(QMenu* menu) {
  QStringList entries;
  if (!menu) return entries;
  for (const QAction* action : menu->actions()) entries << action->text().trimmed();
  return entries;
}

TEST(ExamplePluginServices, ListsItsServersAddsOneThroughTheWizardAndGoesOnline) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder / "Plugins");
  std::filesystem::copy_file(KP_EXAMPLE_PLUGIN, folder / "Plugins/Example.fpn");
  // Set up before: the example would ask for the setup wizard without a nickname.
  folder.WriteFile("Plugins/Example.nickname", "tester");
  folder.WriteFile("Layout.cfg", kLayout);
  TSimpleConfig settings;
  settings.LoadFromText("[Application]\nName = \"Keplinor\"\nSetupComplete = \"TRUE\"\nSmallOnlineIcon = \"on.bmp\"\n");
  TSimpleConfig language;
  language.LoadFromText("[Main]\n00001 = \"Online\"\n00002 = \"Offline\"\n00010 = \"Add Service\"\n[General]\n00006 = \"Next\"\n"
                        "00008 = \"Finish\"\n");
  TMainThreadQueue queue;
  TDispatcher dispatcher{queue};
  TApiRegistry registry{dispatcher};
  TDesktopProgram program(folder.Path(), settings, language, registry, queue);
  ASSERT_TRUE(program.Start());
  TDesktopServices& services = *program.Services();
  TServiceNavigator& navigator = services.Section().Navigator();

  ASSERT_EQ(navigator.Count(), 2);
  EXPECT_EQ(navigator.Caption(navigator.KeyAt(0)), "Example server one");
  EXPECT_EQ(navigator.Caption(navigator.KeyAt(1)), "Example server two");
  EXPECT_EQ(navigator.ActiveKey(), navigator.KeyAt(0));
  QMenu* servicesMenu = program.MainForm().menuBar()->actions().front()->menu();
  ASSERT_NE(servicesMenu, nullptr);
  EXPECT_EQ(EntriesOf(servicesMenu), (QStringList{"Add Service", "Example network"}));

  // The first service's panel stands beside the navigator.
  QWidget* panel = services.Section().MainPanel().HostedWidget();
  ASSERT_NE(panel, nullptr);
  EXPECT_NE(Find<QPushButton>(panel, "Connect"), nullptr);

  // The wizard: the example's type, its name page, its server page, Finish.
  TServiceWizardDialog& wizard = services.WizardDialog();
  bool pagesSeen = false;
  QTimer::singleShot(0, [&] {
    wizard.NextButton()->click();
    QLineEdit* name = Find<QLineEdit>(wizard.PluginPanel()->HostedWidget());
    if (!name) return wizard.reject();
    QTest::keyClicks(name, "Example server three");
    EXPECT_EQ(wizard.NextButton()->text(), "Next");
    wizard.NextButton()->click();
    QLineEdit* server = Find<QLineEdit>(wizard.PluginPanel()->HostedWidget());
    if (!server) return wizard.reject();
    QTest::keyClicks(server, "three.example.net:7000");
    EXPECT_EQ(wizard.NextButton()->text(), "Finish");
    pagesSeen = true;
    wizard.NextButton()->click();
  });
  EXPECT_EQ(wizard.RunToAdd(), QDialog::Accepted);
  EXPECT_TRUE(pagesSeen);
  ASSERT_EQ(navigator.Count(), 3);
  EXPECT_EQ(navigator.Caption(navigator.KeyAt(2)), "Example server three");
  const QStringList entries = EntriesOf(servicesMenu->actions().back()->menu());
  EXPECT_EQ(entries, (QStringList{"Example server one", "Example server two", "Example server three"}));

  // Connect in the panel: the service and the window go online.
  Find<QPushButton>(panel, "Connect")->click();
  EXPECT_TRUE(services.Registry().AnyOnline());
  EXPECT_EQ(program.MainForm().windowTitle(), "Keplinor (Online)");
  EXPECT_TRUE(program.MainForm().NotificationIcon()->ImageFile().endsWith("on.bmp"));
  Find<QPushButton>(panel, "Disconnect")->click();
  EXPECT_EQ(program.MainForm().windowTitle(), "Keplinor (Offline)");

  program.Finish();
}

}  // namespace
}  // namespace kp
