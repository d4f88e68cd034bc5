#include "ui/host/plugin_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtTest/QTest>
#include <utility>
#include <vector>

namespace kp {
namespace {

// A plugin's window that counts the close requests it receives.
class PluginWindow : public QWidget {
 public:
  int closeRequests = 0;

 protected:
  void closeEvent(QCloseEvent* event) override {
    ++closeRequests;
    QWidget::closeEvent(event);
  }
};

std::uint32_t IdOf(QWidget& widget) { return static_cast<std::uint32_t>(widget.winId()); }

TEST(PluginPanel, HostsReplacesAndEmptiesWithCloseRequests) {
  QWidget window;
  auto* panel = new TPluginPanel(&window);
  window.resize(400, 300);
  panel->setGeometry(0, 0, 300, 200);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> changes;
  panel->OnPanelChange = [&](std::uint32_t now, std::uint32_t before) { changes.emplace_back(now, before); };
  window.show();

  auto* first = new PluginWindow();
  auto* second = new PluginWindow();
  const std::uint32_t firstId = IdOf(*first);
  const std::uint32_t secondId = IdOf(*second);

  panel->SetHostedWindow(firstId);
  EXPECT_EQ(panel->HostedWindow(), firstId);
  EXPECT_EQ(first->parentWidget(), panel) << "the plugin's widget is adopted";
  EXPECT_FALSE(first->isWindow());
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->geometry(), QRect(0, 0, 300, 200)) << "sized to the panel";

  panel->resize(320, 180);
  EXPECT_EQ(first->size(), QSize(320, 180)) << "and follows it";

  panel->SetHostedWindow(firstId);
  panel->SetHostedWindow(IdOf(*first));  // the id it has now, as a child here
  EXPECT_EQ(first->closeRequests, 0) << "the same window again changes nothing";
  EXPECT_EQ(changes.size(), 1u);

  panel->SetHostedWindow(secondId);
  EXPECT_EQ(first->closeRequests, 1);
  EXPECT_FALSE(first->isVisible());
  EXPECT_EQ(first->parentWidget(), nullptr) << "a replaced window goes back to its plugin";
  EXPECT_TRUE(second->isVisible());

  panel->SetHostedWindow(0);
  EXPECT_EQ(second->closeRequests, 1);
  EXPECT_EQ(second->parentWidget(), nullptr);
  EXPECT_EQ(panel->HostedWindow(), 0u);
  EXPECT_EQ(panel->HostedWidget(), nullptr);
  EXPECT_EQ(changes, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                         {firstId, 0}, {secondId, firstId}, {0, secondId}}));
  delete first;  // what their plugin does when it stops
  delete second;
}

// The host's window may be hidden in the tray when a plugin replaces its page:
// the replaced window still hears the close request.
TEST(PluginPanel, AWindowReplacedWhileTheHostIsHiddenIsAskedToClose) {
  QDialog window;
  auto* panel = new TPluginPanel(&window);
  PluginWindow first;
  PluginWindow second;
  window.show();
  panel->SetHostedWindow(IdOf(first));
  QCoreApplication::processEvents();
  window.hide();
  QCoreApplication::processEvents();
  panel->SetHostedWindow(IdOf(second));
  EXPECT_EQ(first.closeRequests, 1);
  panel->GiveBackHostedWindow();
  EXPECT_EQ(second.closeRequests, 1);
}

// Tab and Shift+Tab go into the hosted window's controls, through them and out
// again on the other side, whatever their number.
class PluginPanelKeys : public ::testing::TestWithParam<int> {};

TEST_P(PluginPanelKeys, TabAndShiftTabPassThroughTheHostedControlsBothWays) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* before = new QLineEdit();
  auto* panel = new TPluginPanel();
  auto* after = new QLineEdit();
  layout->addWidget(before);
  layout->addWidget(panel);
  layout->addWidget(after);

  auto* plugin = new QWidget();
  auto* pluginLayout = new QVBoxLayout(plugin);
  std::vector<QWidget*> controls;
  for (int i = 0; i < GetParam(); ++i) {
    auto* button = new QPushButton("Control");
    button->setFocusPolicy(Qt::StrongFocus);
    pluginLayout->addWidget(button);
    controls.push_back(button);
  }
  panel->SetHostedWindow(IdOf(*plugin));

  window.show();
  QApplication::setActiveWindow(&window);
  auto walk = [&](QWidget* from, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    from->setFocus();
    std::vector<QWidget*> visited;
    for (std::size_t i = 0; i <= controls.size(); ++i) {
      QTest::keyClick(QApplication::focusWidget(), key, modifiers);
      visited.push_back(QApplication::focusWidget());
    }
    return visited;
  };

  std::vector<QWidget*> forward = controls;
  forward.push_back(after);
  EXPECT_EQ(walk(before, Qt::Key_Tab, Qt::NoModifier), forward);
  std::vector<QWidget*> backward(controls.rbegin(), controls.rend());
  backward.push_back(before);
  EXPECT_EQ(walk(after, Qt::Key_Backtab, Qt::ShiftModifier), backward);
}

INSTANTIATE_TEST_SUITE_P(Controls, PluginPanelKeys, ::testing::Values(1, 2));

TEST(PluginPanel, RefusesItsAncestorsItselfAndTheProgramsMarkedWindows) {
  QWidget holder;  // not marked: holding the panel is enough
  auto* panel = new TPluginPanel(&holder);
  QWidget program;
  MarkCoreWindow(program);
  auto* control = new QPushButton(&program);
  for (QWidget* widget : {&holder, static_cast<QWidget*>(panel), static_cast<QWidget*>(control)}) {
    QWidget* parent = widget->parentWidget();
    const std::uint32_t id = IdOf(*widget);
    panel->SetHostedWindow(id);
    EXPECT_EQ(panel->HostedWidget(), nullptr);
    EXPECT_EQ(panel->HostedWindow(), id) << "as an id that names no window";
    EXPECT_EQ(widget->parentWidget(), parent);
  }
}

TEST(PluginPanel, GivesTheHostedWindowBackAliveAndUnparentedBeforePluginsStop) {
  auto* panel = new TPluginPanel();
  auto* plugin = new PluginWindow();
  QPointer<PluginWindow> watch(plugin);
  panel->SetHostedWindow(IdOf(*plugin));
  ASSERT_EQ(plugin->parentWidget(), panel);

  panel->GiveBackHostedWindow();
  EXPECT_EQ(panel->HostedWindow(), 0u);
  EXPECT_EQ(panel->HostedWidget(), nullptr);
  EXPECT_EQ(plugin->parentWidget(), nullptr);
  EXPECT_FALSE(plugin->isVisible());
  EXPECT_EQ(plugin->closeRequests, 1);

  delete panel;
  ASSERT_FALSE(watch.isNull()) << "the panel no longer takes the plugin's widget with it";
  delete plugin;  // what the plugin does when it stops
}

}  // namespace
}  // namespace kp
