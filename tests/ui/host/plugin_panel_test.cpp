#include "ui/host/plugin_panel.h"

#include <gtest/gtest.h>

#include <QApplication>
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

TEST(PluginPanel, TabMovesThroughTheHostedControlsAndOut) {
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
  auto* one = new QLineEdit();
  auto* two = new QPushButton("Two");
  two->setFocusPolicy(Qt::StrongFocus);
  pluginLayout->addWidget(one);
  pluginLayout->addWidget(two);
  panel->SetHostedWindow(IdOf(*plugin));

  window.show();
  QApplication::setActiveWindow(&window);
  before->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window) || true);

  std::vector<QWidget*> visited;
  for (int i = 0; i < 3; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, (std::vector<QWidget*>{one, two, after}));

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), two) << "Shift+Tab enters at the last control";
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
