// The main window in a whole run of the desktop program: its keys, the tray's
// show/hide entry, the indicator, and the window as the user left it.
#include "ui/shell/main_form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/config/shared_routines.h"
#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/platform/shell_services.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/section_pages.h"

namespace kp {
namespace {

class MainFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kp_test_record_clear();
    std::filesystem::create_directories(temp_ / "Plugins");
    shell_.PrintMessages = false;
  }
  // The program installs the desktop's services; no test may open a browser.
  void TearDown() override {
    if (&ShellServices() == &shell_) InstallShellServices(nullptr);
  }

  TMainForm& Start(const std::string& settings) {
    settingsStore_.LoadFromText(settings);
    // Set up before: the first start's wizard is not what these tests are about.
    settingsStore_.FindSection("Application", true)->SetValue("SetupComplete", "TRUE");
    program_ = std::make_unique<TDesktopProgram>(temp_.Path(), settingsStore_, language_, registry_, queue_);
    EXPECT_TRUE(program_->Start());
    InstallShellServices(&shell_);
    return program_->MainForm();
  }

  std::string WriteImage(const std::string& name, Qt::GlobalColor colour) {
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(colour);
    EXPECT_TRUE(image.save(QString::fromStdString(temp_ / name), "BMP"));
    return name;
  }

  test::TempFolder temp_;
  TSimpleConfig settingsStore_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TRecordingShell shell_;
  std::unique_ptr<TDesktopProgram> program_;
};

TEST_F(MainFormTest, TheProgramOpensLinksThroughTheDesktopWhileItLives) {
  settingsStore_.LoadFromText("");
  program_ = std::make_unique<TDesktopProgram>(temp_.Path(), settingsStore_, language_, registry_, queue_);
  EXPECT_NE(&ShellServices(), &HeadlessShell()) << "Help and mail links would go nowhere";
  program_.reset();
  EXPECT_EQ(&ShellServices(), &HeadlessShell());
}

// Each key from a place outside the section tabs, and what shows that its
// command ran.
TEST_F(MainFormTest, KeysReachTheirCommandsFromAnywhereInTheWindow) {
  std::filesystem::copy_file(KP_TP_RECORDING_A, temp_ / "Plugins/refuse.so");
  TMainForm& window = Start("[Application]\nHelpURL = \"https://help.example.org/\"\n");
  int searchRequests = 0;
  window.OnShowSearchRequest = [&] { ++searchRequests; };
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  const int tabs = window.Sections().count();
  ASSERT_GT(tabs, 2);

  struct Case {
    const char* name;
    QKeyCombination key;
    std::function<bool()> reached;
  };
  const Case cases[] = {
      {"F1 opens the help page", QKeyCombination(Qt::Key_F1),
       [&] {
         return !shell_.OpenRequests().empty() &&
                shell_.OpenRequests().back().target == "https://help.example.org/";
       }},
      {"Ctrl+F opens the search request", Qt::CTRL | Qt::Key_F, [&] { return searchRequests == 1; }},
      {"Ctrl+Q asks the plugins to exit", Qt::CTRL | Qt::Key_Q,
       [&] {
         return test::RecordedLines() == std::vector<std::string>{"refuse.so:OnApplicationExit asked yes"};
       }},
      {"Ctrl+Tab goes to the next section", Qt::CTRL | Qt::Key_Tab,
       [&] { return window.Sections().currentIndex() == 1; }},
      {"Ctrl+Shift+Tab goes back round the start", Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
       [&] { return window.Sections().currentIndex() == 0; }},
      {"and on round the end", Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab,
       [&] { return window.Sections().currentIndex() == tabs - 1; }},
  };
  for (const Case& c : cases) {
    kp_test_record_clear();
    window.AdvertisementPlace()->setFocus();
    QTest::keyClick(QApplication::focusWidget(), c.key.key(), c.key.keyboardModifiers());
    EXPECT_TRUE(c.reached()) << c.name;
  }
  EXPECT_TRUE(window.isVisible()) << "the plugin refused to exit";
}

TEST_F(MainFormTest, TheTrayEntryThatTogglesTheWindowSaysWhatItWillDo) {
  temp_.WriteFile("Layout.cfg", R"(<!POPUP_MENU>
    <!ENTRY Command="111" Text="Toggle"><!/ENTRY>
    <!ENTRY Command="112" Text="Other"><!/ENTRY>
  <!/POPUP_MENU>)");
  language_.LoadFromText("[Main]\n00020 = \"&Hide\"\n00021 = \"&Show\"\n");
  TMainForm& window = Start("");
  const QList<QAction*> entries = window.TrayMenu()->actions();
  ASSERT_EQ(entries.size(), 2);
  for (const bool shown : {false, true, false}) {
    shown ? window.ShowMainWindow() : window.HideMainWindow();
    EXPECT_EQ(entries[0]->text(), shown ? "&Hide " : "&Show ");
  }
  EXPECT_EQ(entries[1]->text(), "Other ");
}

TEST_F(MainFormTest, TheIndicatorShowsTheImageOfTheOnlineState) {
  const std::string settings = "[Application]\nSmallOnlineIcon = \"" + WriteImage("on.bmp", Qt::green) +
                               "\"\nSmallOfflineIcon = \"" + WriteImage("off.bmp", Qt::red) + "\"\n";
  TMainForm& window = Start(settings);
  const auto* indicator = window.findChild<QLabel*>(QStringLiteral("Indicator"));
  ASSERT_NE(indicator, nullptr);
  const auto colour = [indicator] { return indicator->pixmap().toImage().pixelColor(8, 8); };
  EXPECT_EQ(colour(), QColor(Qt::red));
  window.SetOnlineState(true);
  EXPECT_EQ(colour(), QColor(Qt::green));
  window.SetSearching(true);
  window.SetSearching(false);
  EXPECT_EQ(colour(), QColor(Qt::green));
}

// The window comes back maximised over the rectangle it returns to, in the
// section it showed; a run that never showed it keeps what was saved before.
class WindowStateTest : public MainFormTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WindowStateTest, TheWindowComesBackAsTheUserLeftIt) {
  const bool hiddenAllRun = GetParam();
  TMainForm& window = Start(std::string("[Advanced]\nRememberLocation = \"TRUE\"\nMinimizeAtStartup = \"") +
                            (hiddenAllRun ? "TRUE" : "FALSE") +
                            "\"\nWindowLeft = \"40\"\nWindowTop = \"30\"\nWindowWidth = \"700\"\n"
                            "WindowHeight = \"500\"\nWindowMaximized = \"TRUE\"\nActiveSection = \"5\"\n");
  if (!hiddenAllRun) {
    EXPECT_TRUE(window.isMaximized());
    EXPECT_EQ(window.normalGeometry(), QRect(40, 30, 700, 500));
    EXPECT_EQ(window.Sections().currentWidget(), window.Sections().Page(Section::Downloads));
    window.Sections().Activate(Section::Uploads);
  }
  window.ExitCommand();
  program_->Finish();

  TSimpleConfig saved;
  ASSERT_TRUE(saved.LoadFromFile(temp_ / "Application4.cfg"));
  saved.SelectSection("Advanced");
  EXPECT_EQ(saved.ReadString("WindowMaximized"), "TRUE");
  EXPECT_EQ(saved.ReadString("ActiveSection"), hiddenAllRun ? "5" : "3");
  EXPECT_EQ(saved.ReadString("WindowLeft") + " " + saved.ReadString("WindowTop") + " " +
                saved.ReadString("WindowWidth") + " " + saved.ReadString("WindowHeight"),
            "40 30 700 500")
      << "the normal rectangle, not the maximised one";
}

INSTANTIATE_TEST_SUITE_P(ShownOrHiddenAllRun, WindowStateTest, ::testing::Bool());

}  // namespace
}  // namespace kp
