#include "ui/controls/service_navigator.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QtTest/QTest>
#include <memory>
#include <utility>
#include <vector>

namespace kp {
namespace {

using Checks = std::vector<std::pair<std::uint32_t, bool>>;
using Keys = std::vector<std::uint32_t>;

// Three services, shown, with every report recorded.
class ServiceNavigator : public ::testing::Test {
 protected:
  void SetUp() override {
    nav.resize(260, 300);
    nav.AddButton(7, "Alpha", QIcon());
    nav.AddButton(3, "Beta", QIcon());
    nav.AddButton(9, "Gamma", QIcon());
    nav.OnSelect = [this](std::uint32_t key) { selected.push_back(key); };
    nav.OnCheck = [this](std::uint32_t key, bool on) { checks.emplace_back(key, on); };
    nav.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&nav));
  }

  void Click(const QPoint& at) { QTest::mouseClick(nav.viewport(), Qt::LeftButton, {}, at); }
  void ClickRow(std::uint32_t key) { Click(nav.ButtonRect(key).center()); }
  void ClickBox(std::uint32_t key) { Click(nav.CheckBoxRect(key).center()); }
  void Press(Qt::Key key) { QTest::keyClick(&nav, key); }
  Keys Order() const {
    Keys keys;
    for (int i = 0; i < nav.Count(); ++i) keys.push_back(nav.KeyAt(i));
    return keys;
  }

  TServiceNavigator nav;
  Keys selected;
  Checks checks;
};

TEST_F(ServiceNavigator, KeepsCallOrderAndAnswersQueries) {
  EXPECT_EQ(Order(), (Keys{7, 3, 9}));
  EXPECT_EQ(nav.KeyAt(3), 0u);
  EXPECT_EQ(nav.KeyAt(-1), 0u);
  EXPECT_EQ(nav.IndexOf(9), 2);
  EXPECT_EQ(nav.IndexOf(4), -1);

  nav.AddButton(0, "Nobody", QIcon());
  nav.AddButton(3, "Beta 2", QIcon());
  EXPECT_EQ(Order(), (Keys{7, 3, 9})) << "key 0 is ignored, a known key is updated in place";
  EXPECT_EQ(nav.Caption(3), "Beta 2");
  EXPECT_FALSE(nav.EditButton(42, "x", QIcon()));
  EXPECT_TRUE(nav.EditButton(9, "Gamma 2", QIcon()));
  EXPECT_EQ(nav.Caption(9), "Gamma 2");

  EXPECT_TRUE(nav.RemoveButton(3));
  EXPECT_FALSE(nav.RemoveButton(3));
  EXPECT_EQ(Order(), (Keys{7, 9}));
  EXPECT_TRUE(nav.Caption(3).isEmpty());
}

TEST_F(ServiceNavigator, OwnerChangesAreNotReported) {
  EXPECT_TRUE(nav.SetChecked(7, true));
  EXPECT_FALSE(nav.SetChecked(5, true));
  EXPECT_TRUE(nav.IsChecked(7));
  EXPECT_FALSE(nav.IsChecked(3));

  nav.SetActive(3);
  EXPECT_EQ(nav.ActiveKey(), 3u);
  nav.SetActive(12345);
  EXPECT_EQ(nav.ActiveKey(), 0u) << "an unknown key clears the mark";

  nav.SetActive(9);
  nav.RemoveButton(9);
  EXPECT_EQ(nav.ActiveKey(), 0u) << "removing the active button leaves none active";
  EXPECT_TRUE(selected.empty());
  EXPECT_TRUE(checks.empty());

  Press(Qt::Key_Down);
  EXPECT_EQ(selected, Keys{7}) << "with none active the keys start at the top";
}

TEST_F(ServiceNavigator, ActiveButtonIsScrolledIntoView) {
  for (std::uint32_t key = 100; key < 130; ++key) nav.AddButton(key, "More", QIcon());
  nav.SetActive(129);
  EXPECT_TRUE(nav.viewport()->rect().contains(nav.ButtonRect(129)));
  Press(Qt::Key_Home);
  EXPECT_TRUE(nav.viewport()->rect().contains(nav.ButtonRect(7)));
  EXPECT_FALSE(nav.viewport()->rect().intersects(nav.ButtonRect(129)));
}

TEST_F(ServiceNavigator, MouseSelectsRowsAndTogglesCheckBoxes) {
  ClickRow(3);
  EXPECT_EQ(nav.ActiveKey(), 3u);
  const QRect gamma = nav.ButtonRect(9);
  Click(QPoint(gamma.right() - 2, gamma.center().y()));
  EXPECT_EQ(nav.ActiveKey(), 9u) << "the whole width of a row is clickable";
  ClickRow(9);
  EXPECT_EQ(selected, (Keys{3, 9, 9})) << "a click on the active button reports it again";

  ClickBox(7);
  ClickBox(7);
  EXPECT_EQ(checks, (Checks{{7, true}, {7, false}}));
  EXPECT_EQ(selected.size(), 3u) << "the check box does not select";
  EXPECT_EQ(nav.ActiveKey(), 9u);

  QTest::mousePress(nav.viewport(), Qt::LeftButton, {}, nav.CheckBoxRect(3).center());
  QTest::mouseRelease(nav.viewport(), Qt::LeftButton, {}, nav.ButtonRect(9).center());
  EXPECT_FALSE(nav.IsChecked(3)) << "a press that slides off the box does not toggle";
  EXPECT_EQ(checks.size(), 2u);
}

TEST_F(ServiceNavigator, KeysMoveTheMarkAndToggleTheActiveButton) {
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Home,
                      Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Return}) {
    Press(key);
  }
  // Moves that go nowhere are not reported; Enter reports the active button again.
  EXPECT_EQ(selected, (Keys{7, 3, 9, 3, 7, 9, 7, 9, 9}));
  EXPECT_EQ(nav.ActiveKey(), 9u);

  Press(Qt::Key_Space);
  EXPECT_TRUE(nav.IsChecked(9));
  Press(Qt::Key_Space);
  EXPECT_EQ(checks, (Checks{{9, true}, {9, false}}));

  nav.SetActive(0);
  Press(Qt::Key_Space);
  Press(Qt::Key_Return);
  EXPECT_EQ(checks.size(), 2u) << "with none active Space and Enter do nothing";
  EXPECT_EQ(selected.size(), 9u);
}

TEST_F(ServiceNavigator, CallbacksMayChangeTheControl) {
  // The owner drops the service it is told about and makes another one active.
  nav.OnSelect = [this](std::uint32_t key) {
    selected.push_back(key);
    nav.RemoveButton(key);
    nav.AddButton(key + 100, "Again", QIcon());
    nav.SetActive(nav.KeyAt(0));
  };
  nav.OnCheck = [this](std::uint32_t key, bool) { nav.RemoveButton(key); };
  ClickRow(3);
  EXPECT_EQ(Order(), (Keys{7, 9, 103}));
  EXPECT_EQ(nav.ActiveKey(), 7u);
  Press(Qt::Key_Down);
  EXPECT_EQ(Order(), (Keys{7, 103, 109}));
  ClickBox(103);
  nav.SetActive(109);
  Press(Qt::Key_Space);
  EXPECT_EQ(Order(), Keys{7});
  EXPECT_EQ(nav.ActiveKey(), 0u);
  EXPECT_EQ(selected, (Keys{3, 9}));

  // A handler that drops itself while it runs; its captures live on the heap, so
  // the sanitizer sees any use of them after the drop.
  auto calls = std::make_shared<int>(0);
  nav.OnSelect = [this, calls](std::uint32_t) {
    nav.OnSelect = nullptr;
    ++*calls;
  };
  Press(Qt::Key_Down);
  Press(Qt::Key_Return);
  EXPECT_EQ(*calls, 1);
}

TEST_F(ServiceNavigator, ScreenReadersSeeCaptionsAndCheckStates) {
  nav.SetChecked(3, true);
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&nav);
  ASSERT_NE(list, nullptr);
  std::vector<std::pair<QString, bool>> seen;
  for (int i = 0; i < list->childCount(); ++i) {
    QAccessibleInterface* child = list->child(i);
    if (child && child->role() == QAccessible::ListItem) {
      EXPECT_TRUE(child->state().checkable);
      seen.emplace_back(child->text(QAccessible::Name), child->state().checked);
    }
  }
  EXPECT_EQ(seen,
            (std::vector<std::pair<QString, bool>>{{"Alpha", false}, {"Beta", true}, {"Gamma", false}}));
}

TEST_F(ServiceNavigator, ActiveRowStandsOutOnLightAndDarkPalettes) {
  nav.SetActive(3);
  for (const bool dark : {false, true}) {
    QPalette palette = nav.palette();
    palette.setColor(QPalette::Base, dark ? QColor(30, 30, 30) : QColor(250, 250, 250));
    palette.setColor(QPalette::Text, dark ? QColor(230, 230, 230) : QColor(20, 20, 20));
    palette.setColor(QPalette::Highlight, QColor(50, 110, 220));
    nav.setPalette(palette);
    const QImage image = nav.viewport()->grab().toImage();
    // Right of the short captions the rows show only their background.
    auto at = [&](std::uint32_t key) {
      return image.pixelColor(nav.ButtonRect(key).right() - 6, nav.ButtonRect(key).center().y());
    };
    EXPECT_EQ(at(7), at(9)) << "inactive rows look alike";
    EXPECT_NE(at(3), at(7)) << (dark ? "dark" : "light");
    EXPECT_GT(at(3).blue(), at(3).red()) << "the mark is tinted with the highlight colour";
  }
}

}  // namespace
}  // namespace kp
