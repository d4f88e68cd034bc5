// Plugin tabs as a careless or hostile plugin drives them: a test plugin passes
// the window ids and tab handles the test gives it, also from inside its
// windows' close handlers and destructors.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "core/config/simple_config.h"
#include "core/host/api_registry.h"
#include "core/host/plugin_holder.h"
#include "keplinor_types.h"
#include "support/temp_folder.h"
#include "ui/host/plugin_panel.h"
#include "ui/shell/desktop_program.h"
#include "ui/shell/main_form.h"
#include "ui/shell/section_pages.h"

namespace kp {
namespace {

// A plugin's window that counts close requests and calls back when it is asked
// to close and when it is destroyed.
class PluginWindow : public QWidget {
 public:
  ~PluginWindow() override {
    if (onDestroy) onDestroy();
  }
  int closeRequests = 0;
  std::function<void()> onClose;
  std::function<void()> onDestroy;

 protected:
  void closeEvent(QCloseEvent* event) override {
    ++closeRequests;
    if (onClose) onClose();
    QWidget::closeEvent(event);
  }
};

std::uint32_t IdOf(QWidget& widget) { return static_cast<std::uint32_t>(widget.winId()); }

class ApplicationTabsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(temp_ / "Plugins");
    std::filesystem::copy_file(KP_TP_WINDOW_HOST, temp_ / "Plugins/windows.so");
    // Set up before: the first start's wizard is not what these tests are about.
    settings_.FindSection("Application", true)->SetValue("SetupComplete", "TRUE");
    program_ = std::make_unique<TDesktopProgram>(temp_.Path(), settings_, language_, registry_, queue_);
    ASSERT_TRUE(program_->Start());
    void* module = program_->Plugins().GetPlugin(0)->Module;
    add_ = reinterpret_cast<kp_handle (*)(const char*, kp_window)>(::dlsym(module, "TestWindowHost_Add"));
    edit_ =
        reinterpret_cast<void (*)(kp_handle, const char*, kp_window)>(::dlsym(module, "TestWindowHost_Edit"));
    remove_ = reinterpret_cast<std::int32_t (*)(kp_handle)>(::dlsym(module, "TestWindowHost_Remove"));
    ASSERT_TRUE(add_ && edit_ && remove_);
  }

  void TearDown() override {
    program_.reset();  // hands every window back and stops the plugin
    for (const QPointer<PluginWindow>& window : windows_) delete window.data();
  }

  // A window of the plugin: a tab may destroy it; what is left goes at the end.
  PluginWindow* Window() { return windows_.emplace_back(new PluginWindow()).data(); }
  TSectionPages& Sections() { return program_->MainForm().Sections(); }
  TPluginPanel* LastPanel() { return Sections().widget(Sections().count() - 1)->findChild<TPluginPanel*>(); }

  test::TempFolder temp_;
  TSimpleConfig settings_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  std::unique_ptr<TDesktopProgram> program_;
  std::vector<QPointer<PluginWindow>> windows_;
  kp_handle (*add_)(const char*, kp_window) = nullptr;
  void (*edit_)(kp_handle, const char*, kp_window) = nullptr;
  std::int32_t (*remove_)(kp_handle) = nullptr;
};

TEST_F(ApplicationTabsTest, TheProgramsOwnWindowsAreRefusedAndTheTabStaysEmpty) {
  TMainForm& main = program_->MainForm();
  const std::vector<std::pair<const char*, QWidget*>> refused = {
      {"the main window", &main},
      {"the tray menu", main.TrayMenu()},
      {"a control of the main window", main.ButtonBar()}};
  for (const auto& [name, widget] : refused) {
    SCOPED_TRACE(name);
    QWidget* parent = widget->parentWidget();
    const std::uint32_t id = IdOf(*widget);
    ASSERT_NE(add_("Mine", id), 0u);
    EXPECT_EQ(LastPanel()->HostedWidget(), nullptr);
    EXPECT_EQ(LastPanel()->HostedWindow(), id) << "as an id that names no window";
    EXPECT_EQ(widget->parentWidget(), parent);
  }
}

TEST_F(ApplicationTabsTest, AWindowThatRemovesItsTabWhenAskedToCloseGoesBackWithTheNewOne) {
  QPointer<PluginWindow> old = Window();
  QPointer<PluginWindow> next = Window();
  const int tabs = Sections().count();
  const kp_handle tab = add_("Mine", IdOf(*old));
  old->onClose = [&] { remove_(tab); };

  edit_(tab, "Mine", IdOf(*next));
  EXPECT_EQ(Sections().count(), tabs) << "the tab is gone";
  ASSERT_TRUE(old && next) << "neither window went down with the tab";
  EXPECT_EQ(old->parentWidget(), nullptr);
  EXPECT_EQ(next->parentWidget(), nullptr);
  EXPECT_EQ(old->closeRequests, 1);
  EXPECT_EQ(remove_(tab), 0);
}

TEST_F(ApplicationTabsTest, AWindowThatCallsBackWhileItsTabIsRemovedFindsTheTabGone) {
  auto* window = new PluginWindow();  // the tab destroys it
  QPointer<PluginWindow> watch(window);
  PluginWindow* spare = Window();
  const int tabs = Sections().count();
  const kp_handle tab = add_("Mine", IdOf(*window));
  const auto callBack = [&, tab] {
    edit_(tab, "Again", IdOf(*spare));
    remove_(tab);
  };
  window->onClose = callBack;
  window->onDestroy = callBack;

  EXPECT_EQ(remove_(tab), 0);
  EXPECT_FALSE(watch) << "the window went with its tab";
  EXPECT_EQ(Sections().count(), tabs);
  EXPECT_EQ(spare->parentWidget(), nullptr) << "the edit from inside found no tab";
}

TEST_F(ApplicationTabsTest, AWindowGivenToASecondTabLeavesTheFirstEmptyAndUntouched) {
  QPointer<PluginWindow> shared = Window();
  const std::uint32_t firstId = IdOf(*shared);
  const kp_handle first = add_("One", firstId);
  TPluginPanel* firstPanel = LastPanel();
  std::vector<std::pair<std::uint32_t, std::uint32_t>> heard;
  firstPanel->OnPanelChange = [&](std::uint32_t now, std::uint32_t before) {
    heard.emplace_back(now, before);
  };

  ASSERT_NE(add_("Two", IdOf(*shared)), 0u);  // its id as the plugin asks for it now
  TPluginPanel* secondPanel = LastPanel();
  EXPECT_EQ(secondPanel->HostedWidget(), shared.data());
  EXPECT_EQ(firstPanel->HostedWindow(), 0u);
  EXPECT_EQ(firstPanel->HostedWidget(), nullptr);
  EXPECT_EQ(heard, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, firstId}}));

  edit_(first, "One", 0);
  firstPanel->GiveBackHostedWindow();
  remove_(first);
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->parentWidget(), secondPanel);
  EXPECT_FALSE(shared->isHidden());
  EXPECT_EQ(shared->closeRequests, 0);
}

}  // namespace
}  // namespace kp
