// The services in a whole desktop program: what a plugin registers shows in the
// navigator, the services list menu and the window's online state, and what
// the user does there reaches the plugin.
#include "ui/services/desktop_services.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config/simple_config.h"
#include "ui/controls/service_navigator.h"
#include "core/host/api_registry.h"
#include "ui/host/plugin_panel.h"
#include "recorded_lines.h"
#include "core/services/service_registry.h"
#include "ui/services/service_wizard_dialog.h"
#include "ui/services/services_section.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"
#include "ui/shell/tray_icon.h"
#include "support/service_plugin.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

constexpr const char* kLayout = R"(
<!MAIN_MENU>
  <!ENTRY Custom="SERVICES_LIST_COMMAND">
    <!ENTRY Custom="ADD_SERVICES_COMMAND"><!/ENTRY>
    <!ENTRY Command="0" Text="-"><!/ENTRY>
  <!/ENTRY>
<!/MAIN_MENU>
<!SECTIONS>
  <SECTION NAME="MAIN_WEB">
  <SECTION NAME="SERVICES">
<!/SECTIONS>
)";

Strings Captions(const QMenu& menu) {
  Strings captions;
  for (const QAction* action : menu.actions()) {
    captions.push_back(action->isSeparator() ? "-" : action->text().trimmed().toStdString());
  }
  return captions;
}

QAction* ActionNamed(const QMenu& menu, const QString& caption) {
  for (QAction* action : menu.actions()) {
    if (action->text().trimmed() == caption) return action;
  }
  return nullptr;
}

class DesktopServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kp_test_record_clear();
    std::filesystem::create_directories(temp_ / "Plugins");
    std::filesystem::copy_file(KP_TP_SERVICES, temp_ / "Plugins/net.so");
    temp_.WriteFile("Layout.cfg", kLayout);
    language_.LoadFromText(
        "[Main]\n00001 = \"Online\"\n00002 = \"Offline\"\n00005 = \"Services\"\n00010 = \"Add Service\"\n"
        "00011 = \"Customize...\"\n");
    settingsStore_.LoadFromText(
        "[Application]\nName = \"Keplinor\"\nSetupComplete = \"TRUE\"\nSmallOnlineIcon = \"on.bmp\"\n"
        "SmallOfflineIcon = \"off.bmp\"\n");
    program_ = std::make_unique<TDesktopProgram>(temp_.Path(), settingsStore_, language_, registry_, queue_);
    ASSERT_TRUE(program_->Start());
    plugin_ = std::make_unique<test::TServicePlugin>(*program_->Plugins().GetPlugin(0));
  }

  void TearDown() override {
    if (program_) program_->Finish();
  }

  TDesktopServices& Services() const { return *program_->Services(); }
  TServiceNavigator& Navigator() const { return Services().Section().Navigator(); }
  QMenu* ServicesMenu() const {
    const QList<QAction*> top = program_->MainForm().menuBar()->actions();
    return top.isEmpty() ? nullptr : top.front()->menu();
  }
  static Strings Events() { return test::RecordedLines(); }

  test::TempFolder temp_;
  TSimpleConfig settingsStore_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  std::unique_ptr<TDesktopProgram> program_;
  std::unique_ptr<test::TServicePlugin> plugin_;
};

TEST_F(DesktopServicesTest, ServicesShowInTheNavigatorAndUnderTheServicesHeadingPerType) {
  const std::uint32_t network = plugin_->AddType("Network");
  const std::uint32_t other = plugin_->AddType("Other");
  const std::uint32_t one = plugin_->Add(network, "One");
  const std::uint32_t solo = plugin_->Add(other, "Solo");
  const std::uint32_t two = plugin_->Add(network, "Two");

  ASSERT_EQ(Navigator().Count(), 3);
  EXPECT_EQ(Navigator().KeyAt(0), one);
  EXPECT_EQ(Navigator().KeyAt(1), solo);
  EXPECT_EQ(Navigator().KeyAt(2), two);
  EXPECT_EQ(Navigator().Caption(two), "Two");
  EXPECT_EQ(Navigator().ActiveKey(), one) << "the first service added";

  QMenu* menu = ServicesMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Captions(*menu), (Strings{"Add Service", "-", "Network", "Other"}));
  QMenu* networkMenu = ActionNamed(*menu, "Network")->menu();
  ASSERT_NE(networkMenu, nullptr);
  EXPECT_EQ(Captions(*networkMenu), (Strings{"One", "Two"}));

  // Choosing a service's entry shows the Services section with that service active.
  program_->MainForm().Sections().Activate(Section::MainWeb);
  kp_test_record_clear();
  ActionNamed(*networkMenu, "Two")->trigger();
  EXPECT_EQ(program_->MainForm().Sections().currentWidget(),
            program_->MainForm().Sections().Page(Section::Services));
  EXPECT_EQ(Navigator().ActiveKey(), two);
  ASSERT_FALSE(Events().empty());
  EXPECT_EQ(Events().front(), "net.so:OnServiceSelect " + std::to_string(two));

  // The type's submenu goes with its last service; a renamed service renames its entry.
  plugin_->Edit(one, "Renamed", "", "", 0);
  EXPECT_EQ(Captions(*networkMenu), (Strings{"Renamed", "Two"}));
  EXPECT_EQ(Navigator().Caption(one), "Renamed");
  plugin_->Remove(solo);
  EXPECT_EQ(Captions(*menu), (Strings{"Add Service", "-", "Network"}));
}

TEST_F(DesktopServicesTest, TheUsersClicksAndTicksReachTheOwningPlugin) {
  const std::uint32_t type = plugin_->AddType("Network");
  const std::uint32_t one = plugin_->Add(type, "One");
  const std::uint32_t two = plugin_->Add(type, "Two");
  kp_test_record_clear();

  ASSERT_TRUE(Navigator().OnSelect);
  Navigator().OnSelect(two);
  Navigator().OnSelect(two);
  Navigator().OnCheck(one, true);
  const Strings events = Events();
  const Strings expected = {"net.so:OnServiceSelect " + std::to_string(two),
                            "net.so:OnServiceCheck " + std::to_string(one) + " 1 record=1"};
  Strings withoutRecords;
  for (const std::string& line : events) {
    if (line.find(":record ") == std::string::npos) withoutRecords.push_back(line);
  }
  EXPECT_EQ(withoutRecords, expected) << "a click on the active service selects nothing new";
  EXPECT_EQ(Navigator().ActiveKey(), two);

  // A plugin's check does not come back to it as the user's.
  kp_test_record_clear();
  plugin_->SetCheck(two, true);
  EXPECT_TRUE(Navigator().IsChecked(two));
}

TEST_F(DesktopServicesTest, TheOnlineStateChangesTheCaptionAndTheTrayIcon) {
  const std::uint32_t type = plugin_->AddType("Network");
  const std::uint32_t one = plugin_->Add(type, "One");
  TMainForm& window = program_->MainForm();

  plugin_->SetOnline(one, true);
  EXPECT_EQ(window.windowTitle(), "Keplinor (Online)");
  ASSERT_NE(window.NotificationIcon(), nullptr);
  EXPECT_TRUE(window.NotificationIcon()->ImageFile().endsWith("on.bmp"));
  EXPECT_EQ(window.NotificationIcon()->Tip(), "Keplinor (Online)");

  plugin_->SetOnline(one, false);
  EXPECT_EQ(window.windowTitle(), "Keplinor (Offline)");
  EXPECT_TRUE(window.NotificationIcon()->ImageFile().endsWith("off.bmp"));
}

TEST_F(DesktopServicesTest, TheSelectedServicesWindowShowsBesideTheNavigatorUntilNoServiceIsLeft) {
  const std::uint32_t type = plugin_->AddType("Network");
  const std::uint32_t one = plugin_->Add(type, "One");
  auto* page = new QLabel(QStringLiteral("service page"));
  plugin_->ShowMainPanel(static_cast<std::uint32_t>(page->winId()));
  TPluginPanel& panel = Services().Section().MainPanel();
  EXPECT_EQ(panel.HostedWidget(), page);

  plugin_->Remove(one);
  EXPECT_EQ(panel.HostedWidget(), nullptr);
  EXPECT_FALSE(page->isVisible());
  EXPECT_EQ(page->parentWidget(), nullptr) << "back with its plugin";
  EXPECT_EQ(Navigator().Count(), 0);
  EXPECT_EQ(Navigator().ActiveKey(), 0u);

  // A window still shown when the program ends goes back before plugins stop,
  // and outlives the window that showed it.
  plugin_->Add(type, "Two");
  plugin_->ShowMainPanel(static_cast<std::uint32_t>(page->winId()));
  ASSERT_EQ(panel.HostedWidget(), page);
  QPointer<QLabel> watch(page);
  program_->Finish();
  program_.reset();
  ASSERT_FALSE(watch.isNull());
  EXPECT_EQ(page->parentWidget(), nullptr);
  delete page;
}

TEST_F(DesktopServicesTest, TheAddServiceCommandAndButtonOpenTheWizardOnItsTypePage) {
  plugin_->AddType("Network");
  bool sawWizard = false;
  auto closeWhenShown = [&] {
    QTimer::singleShot(0, [&] {
      TServiceWizardDialog& wizard = Services().WizardDialog();
      sawWizard = wizard.isVisible();
      wizard.reject();
    });
  };
  closeWhenShown();
  program_->MainForm().RunCoreCommand(106);
  EXPECT_TRUE(sawWizard);

  sawWizard = false;
  closeWhenShown();
  Services().Section().AddButton().click();
  EXPECT_TRUE(sawWizard);
  EXPECT_EQ(Services().Section().AddButton().text(), "Add Service");
  EXPECT_EQ(Services().Section().CustomizeButton().text(), "Customize...");
}

}  // namespace
}  // namespace kp
