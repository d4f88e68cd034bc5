// Whole runs of the desktop program in a temporary program folder, as a
// recording plugin sees them.
#include "ui/shell/desktop_program.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <filesystem>
#include <string>
#include <vector>

#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "recorded_lines.h"
#include "ui/shell/about_dialog.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"
#include "ui/shell/tray_icon.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

Strings Records() { return test::RecordedLinesWithoutAddresses(); }

Strings Without(const Strings& lines, const std::string& part) {
  Strings kept;
  for (const std::string& line : lines) {
    if (line.find(part) == std::string::npos) kept.push_back(line);
  }
  return kept;
}

class DesktopProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kp_test_record_clear();
    std::filesystem::create_directories(temp_ / "Plugins");
  }

  void Install(const char* plugin, const std::string& name) {
    std::filesystem::copy_file(plugin, temp_ / ("Plugins/" + name));
  }

  void Settings(const std::string& text) { settingsStore_.LoadFromText(text); }

  TDesktopProgram& Program() {
    // Set up before, unless a test says otherwise: the first start's wizard is
    // not what most of these tests are about.
    TSectionObject* application = settingsStore_.FindSection("Application", true);
    if (!application->HasKey("SetupComplete")) application->SetValue("SetupComplete", "TRUE");
    if (!program_) program_ = std::make_unique<TDesktopProgram>(temp_.Path(), settingsStore_, language_, registry_, queue_);
    return *program_;
  }

  test::TempFolder temp_;
  TSimpleConfig settingsStore_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  std::unique_ptr<TDesktopProgram> program_;
};

TEST_F(DesktopProgramTest, AWholeRunInTheOrderPluginsSeeIt) {
  Install(KP_TP_RECORDING_A, "rec.so");
  Install(KP_TP_END_ONLY, "end.so");
  temp_.WriteFile("Plugins/order.fpc", "rec.so\nend.so\n");
  Settings("[Application]\nName = \"Keplinor\"\n");

  ASSERT_TRUE(Program().Start());
  EXPECT_TRUE(Program().ApplicationStarted());
  EXPECT_TRUE(Program().MainForm().isVisible());
  EXPECT_FALSE(std::filesystem::exists(temp_ / "Application4.cfg"));

  Program().MainForm().ExitCommand();
  EXPECT_FALSE(Program().MainForm().isVisible()) << "the plugins agreed and the window closed";
  Program().Finish();

  const Strings expected = {"rec.so:startup",
                            "rec.so:folder=" + temp_.Path() + "Plugins/",
                            "rec.so:bound",
                            "rec.so:OnApplicationShow",
                            "rec.so:OnApplicationStart",
                            "rec.so:OnApplicationExit asked yes",
                            "rec.so:OnApplicationExit asked yes",
                            "rec.so:OnApplicationEnd settings written",
                            "end_only:OnApplicationEnd",
                            "rec.so:shutdown",
                            "end_only:shutdown"};
  EXPECT_EQ(Records(), expected);
  EXPECT_TRUE(std::filesystem::exists(temp_ / "Application4.cfg"));
  EXPECT_TRUE(std::filesystem::is_directory(temp_ / "Downloads"));
}

TEST_F(DesktopProgramTest, ARefusalKeepsTheWindowOpen) {
  Install(KP_TP_RECORDING_A, "refuse.so");
  ASSERT_TRUE(Program().Start());
  kp_test_record_clear();
  Program().MainForm().ExitCommand();
  EXPECT_TRUE(Program().MainForm().isVisible());
  EXPECT_EQ(Records(), Strings{"refuse.so:OnApplicationExit asked yes"}) << "asked once, and refused";
  Program().MainForm().close();
  EXPECT_TRUE(Program().MainForm().isVisible()) << "a close request asks again";
}

TEST_F(DesktopProgramTest, MinimizedAtStartupShowsOnlyTheTrayIcon) {
  Install(KP_TP_RECORDING_A, "rec.so");
  Settings("[Advanced]\nMinimizeAtStartup = \"TRUE\"\n");
  ASSERT_TRUE(Program().Start());
  EXPECT_FALSE(Program().MainForm().isVisible());
  ASSERT_NE(Program().MainForm().NotificationIcon(), nullptr);
  const Strings records = Records();
  EXPECT_EQ(std::count(records.begin(), records.end(), "rec.so:OnApplicationShow"), 0);
  EXPECT_EQ(std::count(records.begin(), records.end(), "rec.so:OnApplicationStart"), 1);

  // A left click on the tray icon shows the window; the plugins hear of it.
  Program().MainForm().NotificationIcon()->HandleActivation(3 /* QSystemTrayIcon::Trigger */);
  EXPECT_TRUE(Program().MainForm().isVisible());
  EXPECT_EQ(Records().back(), "rec.so:OnApplicationShow");
  Program().MainForm().HideMainWindow();
  EXPECT_EQ(Records().back(), "rec.so:OnApplicationHide");
}

TEST_F(DesktopProgramTest, TheCloseButtonHidesWhenTheSettingsSaySo) {
  Install(KP_TP_RECORDING_A, "rec.so");
  Settings("[Advanced]\nMinimizeOnCloseButton = \"TRUE\"\n");
  ASSERT_TRUE(Program().Start());
  kp_test_record_clear();
  Program().MainForm().close();  // the window's close button
  EXPECT_FALSE(Program().MainForm().isVisible());
  EXPECT_EQ(Without(Records(), "OnApplicationHide"), Strings{}) << "no plugin is asked";
  Program().MainForm().ExitCommand();
  EXPECT_EQ(Records().size(), 3u) << "the exit command still asks (twice) and closes";
}

TEST_F(DesktopProgramTest, TheOnlineStateShowsInTheCaptionAndTheTip) {
  Settings("[Application]\nName = \"" + std::string(70, 'K') + "\"\n");
  language_.LoadFromText("[Main]\n00001 = \"online\"\n00002 = \"offline\"\n");
  ASSERT_TRUE(Program().Start());
  EXPECT_EQ(Program().MainForm().windowTitle().toStdString(), std::string(70, 'K'))
      << "after the first show the caption is the bare name";
  Program().MainForm().SetOnlineState(true);
  const std::string caption = std::string(70, 'K') + " (online)";
  EXPECT_EQ(Program().MainForm().windowTitle().toStdString(), caption);
  EXPECT_EQ(Program().MainForm().NotificationIcon()->Tip().toStdString(), caption.substr(0, 62));
}

}  // namespace
}  // namespace kp

namespace kp {
namespace {

std::int32_t Call(TApiRegistry& registry, std::string_view function, TPluginHolder* sender,
                  const std::function<void(TMessagePacket&)>& fill) {
  TMessagePacket packet(sender);
  fill(packet);
  return registry.Call(*ApiFunctionIndex(function), std::move(packet));
}

TEST_F(DesktopProgramTest, EveryBuiltFunctionHasAnImplementationAndNoOtherHas) {
  ASSERT_TRUE(Program().Start());
  for (std::size_t f = 0; f < api::kApiFunctionCount; ++f) {
    EXPECT_EQ(registry_.IsImplemented(f), api::kApiFunctions[f].availability == api::Availability::Built)
        << api::kApiFunctions[f].name;
  }
}

TEST_F(DesktopProgramTest, TheApplicationFunctionsWorkOnTheWindowAndIgnoreUnknownHandles) {
  Install(KP_TP_RECORDING_A, "rec.so");
  ASSERT_TRUE(Program().Start());
  TPluginHolder* plugin = Program().Plugins().GetPlugin(0);
  TMainForm& window = Program().MainForm();

  const auto heading = static_cast<std::uint32_t>(Call(registry_, "ApplicationMenuAdd", plugin, [](TMessagePacket& p) {
    p.AddInteger("iCommand", 0);
    p.AddString("sDescription", "Plugin");
  }));
  const auto entry = static_cast<std::uint32_t>(Call(registry_, "ApplicationMenuAdd", plugin, [&](TMessagePacket& p) {
    p.AddInteger("iCommand", 7);
    p.AddObject("poParentMenu", heading);
    p.AddString("sDescription", "Connect");
  }));
  ASSERT_NE(heading, 0u);
  ASSERT_NE(entry, 0u);
  QAction* top = window.menuBar()->actions().back();
  EXPECT_EQ(top->text(), "Plugin ");
  ASSERT_NE(top->menu(), nullptr);
  kp_test_record_clear();
  top->menu()->actions().front()->trigger();
  EXPECT_EQ(Records(), Strings{"rec.so:OnApplicationMenu " + std::to_string(entry) + " 7"})
      << "a plugin's entry reports to its plugin";

  const auto popupEntry = static_cast<std::uint32_t>(Call(registry_, "ApplicationMenuAdd", plugin, [&](TMessagePacket& p) {
    p.AddInteger("iCommand", 8);
    p.AddObject("poParentMenu", heading);  // an entry of the other menu: top level
    p.AddString("sDescription", "-");
    p.AddBoolean("bIsPopup", true);
  }));
  ASSERT_EQ(window.TrayMenu()->actions().size(), 1);
  EXPECT_TRUE(window.TrayMenu()->actions().front()->isSeparator());
  Call(registry_, "ApplicationMenuEdit", plugin, [&](TMessagePacket& p) {
    p.AddObject("poMenu", popupEntry);
    p.AddString("sDescription", "Show");
  });
  EXPECT_EQ(window.TrayMenu()->actions().front()->text(), "Show ");
  EXPECT_EQ(Call(registry_, "ApplicationMenuRemove", plugin, [](TMessagePacket& p) { p.AddObject("poMenu", 12345); }), 0);

  const auto button = static_cast<std::uint32_t>(Call(registry_, "ApplicationButtonAdd", plugin, [](TMessagePacket& p) {
    p.AddInteger("iCommand", 9);
    p.AddString("sDescription", "Go");
  }));
  ASSERT_NE(button, 0u);
  kp_test_record_clear();
  window.ButtonBar()->actions().back()->trigger();
  EXPECT_EQ(Records(), Strings{"rec.so:OnApplicationButton " + std::to_string(button) + " 9"});

  auto* pluginWindow = new QWidget();  // the tab takes it, and destroys it with itself
  const int tabsBefore = window.Sections().count();
  const auto tab = static_cast<std::uint32_t>(Call(registry_, "ApplicationTabAdd", plugin, [&](TMessagePacket& p) {
    p.AddString("sDescription", "Mine");
    p.AddWindowHandle("sWindowHandle", static_cast<std::uint32_t>(pluginWindow->winId()));
  }));
  ASSERT_NE(tab, 0u);
  EXPECT_EQ(window.Sections().count(), tabsBefore + 1);
  EXPECT_NE(window.Sections().currentIndex(), tabsBefore) << "a new tab is not made the active one";
  Call(registry_, "ApplicationTabActivate", plugin, [&](TMessagePacket& p) { p.AddObject("poTab", tab); });
  EXPECT_EQ(window.Sections().currentIndex(), tabsBefore);
  Call(registry_, "ApplicationTabRemove", plugin, [&](TMessagePacket& p) { p.AddObject("poTab", tab + 16); });
  EXPECT_EQ(window.Sections().count(), tabsBefore + 1) << "an unknown tab handle does nothing";

  Call(registry_, "ApplicationSectionActivate", plugin, [](TMessagePacket& p) { p.AddInteger("iSection", 7); });
  EXPECT_EQ(window.Sections().currentIndex(), tabsBefore);
  Call(registry_, "ApplicationSectionActivate", plugin, [](TMessagePacket& p) { p.AddInteger("iSection", 5); });
  EXPECT_EQ(window.Sections().currentWidget(), window.Sections().Page(Section::Downloads));

  Call(registry_, "ApplicationHide", plugin, [](TMessagePacket&) {});
  EXPECT_FALSE(window.isVisible());
  Call(registry_, "ApplicationShow", plugin, [](TMessagePacket&) {});
  EXPECT_TRUE(window.isVisible());

  Call(registry_, "ApplicationTabRemove", plugin, [&](TMessagePacket& p) { p.AddObject("poTab", tab); });
  EXPECT_EQ(window.Sections().count(), tabsBefore);
}

}  // namespace
}  // namespace kp

namespace kp {
namespace {

TEST_F(DesktopProgramTest, TheAboutBoxListsThePluginsInLoadOrder) {
  Install(KP_TP_RECORDING_A, "Rec.so");
  Install(KP_TP_BUTTON_ONLY, "button.so");
  temp_.WriteFile("Plugins/order.fpc", "Rec.so\nbutton.so\n");
  ASSERT_TRUE(Program().Start());
  EXPECT_EQ(Program().Plugins().GetPlugin(0)->VersionText(), "1.05");
  EXPECT_EQ(TAboutDialog::PluginRows(Program().Plugins()),
            (QStringList{"recording plugin rec.so", "button.so (0.00)"}))
      << "a display name in lower case; without one the file name and the version";
}

}  // namespace
}  // namespace kp
