#include "ui/shell/command_manager.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <string>
#include <vector>

#include "core/config/text_basics.h"
#include "core/host/plugin_holder.h"
#include "core/platform/low_memory_heap.h"
#include "support/temp_folder.h"
#include "ui/shell/image_list.h"

namespace kp {
namespace {

// Writes an 8x8 image of one colour; returns its path.
std::string WriteImage(const test::TempFolder& folder, std::string_view name, Qt::GlobalColor colour,
                       const char* format = "BMP") {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(colour);
  const std::string path = folder / name;
  EXPECT_TRUE(image.save(QString::fromStdString(path), format)) << path;
  return path;
}

QColor ColourOf(const QIcon& icon) { return icon.pixmap(QSize(8, 8)).toImage().pixelColor(4, 4); }

TEST(ImageList, OneImagePerTrimmedUpperCasedNameAndNothingForUnloadableNames) {
  test::TempFolder folder;
  TImageList images;
  const std::string red = WriteImage(folder, "Red.bmp", Qt::red);
  ASSERT_EQ(images.IndexOf(red), 0);
  // Only the first request opens a file, so a name that differs in case shares it.
  EXPECT_EQ(images.IndexOf("  " + ToUpperAscii(red) + " "), 0);
  EXPECT_EQ(ColourOf(images.Image(0)), QColor(Qt::red));
  EXPECT_EQ(ColourOf(images.ImageFor(WriteImage(folder, "Blue.ico", Qt::blue, "ICO"))), QColor(Qt::blue));
  EXPECT_EQ(images.IndexOf("resource://1"), 2);
  EXPECT_EQ(images.IndexOf("RESOURCE://1 "), 2);

  const std::string later = folder / "Later.bmp";
  for (const std::string& name :
       {later, WriteImage(folder, "Picture.png", Qt::green, "PNG"), std::string("RESOURCE://999"),
        std::string("RESOURCE://2x"), std::string()}) {
    EXPECT_EQ(images.IndexOf(name), -1) << name;
  }
  EXPECT_EQ(images.Count(), 3);
  EXPECT_TRUE(images.Image(-1).isNull());
  // Nothing was recorded for the missing file, so it loads once it exists.
  WriteImage(folder, "Later.bmp", Qt::green);
  EXPECT_EQ(images.IndexOf(later), 3);
}

struct Click {
  TCommandManager* sender;
  std::uint32_t handle;
  std::int32_t command;
  TPluginHolder* plugin;
  friend bool operator==(const Click&, const Click&) = default;
};

class CommandManagerTest : public ::testing::Test {
 protected:
  CommandManagerTest() {
    manager.OnMenuClick = [this](TCommandManager& sender, std::uint32_t handle, std::int32_t command,
                                 TPluginHolder* owner) {
      menuClicks.push_back({&sender, handle, command, owner});
    };
    manager.OnButtonClick = [this](TCommandManager& sender, std::uint32_t handle, std::int32_t command,
                                   TPluginHolder* owner) {
      buttonClicks.push_back({&sender, handle, command, owner});
    };
  }

  QAction* ActionOf(std::uint32_t entry) const { return manager.FindMenuEntry(entry)->MenuItem; }
  QAction* ButtonOf(std::uint32_t button) const { return manager.FindButton(button)->Button; }

  test::TempFolder folder;
  TPluginHolder plugin{"/plugins/owner.so", "/PLUGINS/OWNER.SO"};
  QMenuBar menuBar;
  QToolBar bar;
  TImageList images;
  TCommandManager manager{&menuBar, &bar, &images};
  std::vector<Click> menuClicks;
  std::vector<Click> buttonClicks;
};

TEST_F(CommandManagerTest, AnEntryWithSubEntriesOpensThemAndOnlyLeavesReportClicks) {
  const std::uint32_t heading = manager.AddMenuEntry(0, 0, nullptr, "", "File");
  const std::uint32_t open = manager.AddMenuEntry(7, heading, &plugin, "", "Open");
  const std::uint32_t recent = manager.AddMenuEntry(8, heading, nullptr, "", "Recent");
  const std::uint32_t deeper = manager.AddMenuEntry(9, recent, nullptr, "", "First");

  ASSERT_EQ(menuBar.actions().size(), 1);
  QMenu* file = menuBar.actions().front()->menu();
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(file->actions().size(), 2);
  EXPECT_EQ(file->actions()[0]->text(), "Open ");
  EXPECT_EQ(file->actions()[1]->menu()->actions().front()->text(), "First ");

  ActionOf(heading)->trigger();
  ActionOf(recent)->trigger();
  EXPECT_TRUE(menuClicks.empty());
  ActionOf(open)->trigger();
  ActionOf(deeper)->trigger();
  EXPECT_EQ(menuClicks, (std::vector<Click>{{&manager, open, 7, &plugin}, {&manager, deeper, 9, nullptr}}));

  // Once its last sub-entry is gone, an entry reports its own clicks again.
  EXPECT_TRUE(manager.RemoveMenuEntry(deeper));
  EXPECT_EQ(ActionOf(recent)->menu(), nullptr);
  ActionOf(recent)->trigger();
  EXPECT_EQ(menuClicks.back(), (Click{&manager, recent, 8, nullptr}));
}

TEST_F(CommandManagerTest, ButtonsTakeOnlyAnExactDashAsSeparatorAndReportClicks) {
  manager.AddButton(0, nullptr, "", "-");
  manager.AddButton(0, nullptr, "", " -");
  const std::uint32_t search = manager.AddButton(3, &plugin, "", "&Search");
  EXPECT_TRUE(bar.actions()[0]->isSeparator());
  EXPECT_FALSE(bar.actions()[1]->isSeparator());
  auto* button = qobject_cast<QToolButton*>(bar.widgetForAction(ButtonOf(search)));
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->text(), "&Search");  // the access key survives
  bar.show();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(buttonClicks, (std::vector<Click>{{&manager, search, 3, &plugin}}));
  EXPECT_TRUE(menuClicks.empty());
}

TEST_F(CommandManagerTest, HandlesOfOtherManagersAndUnknownHandlesChangeNothing) {
  QMenu popupMenu;
  TCommandManager popup(&popupMenu, nullptr, &images);
  const std::uint32_t foreign = popup.AddMenuEntry(5, 0, nullptr, "", "Foreign");
  const std::uint32_t own = manager.AddMenuEntry(1, 0, nullptr, "", "Own");
  const std::uint32_t button = manager.AddButton(2, nullptr, "", "Button");

  // A parent the manager does not hold puts the entry at the top level.
  manager.AddMenuEntry(6, foreign, nullptr, "", "Top");
  manager.AddMenuEntry(6, 0x1234, nullptr, "", "Top too");
  EXPECT_EQ(menuBar.actions().size(), 3);
  EXPECT_EQ(popupMenu.actions().front()->menu(), nullptr);

  for (const std::uint32_t stranger : {0u, 0x1234u, foreign, button}) {
    EXPECT_FALSE(manager.EditMenuEntry(stranger, 9, &plugin, "", "Edited"));
    EXPECT_FALSE(manager.RemoveMenuEntry(stranger));
  }
  for (const std::uint32_t stranger : {0u, foreign, own}) {
    EXPECT_FALSE(manager.EditButton(stranger, 9, &plugin, "", "Edited"));
    EXPECT_FALSE(manager.RemoveButton(stranger));
  }
  EXPECT_EQ(popupMenu.actions().front()->text(), "Foreign ");
  EXPECT_EQ(popup.FindMenuEntry(foreign)->Command, 5);
  EXPECT_EQ(menuBar.actions().size(), 3);
  EXPECT_EQ(bar.actions().size(), 1);
}

TEST_F(CommandManagerTest, EditingReplacesCaptionImageCommandAndOwner) {
  const std::string icon = WriteImage(folder, "Icon.bmp", Qt::red);
  const std::uint32_t entry = manager.AddMenuEntry(1, 0, nullptr, "", "-");
  EXPECT_TRUE(ActionOf(entry)->isSeparator());
  EXPECT_EQ(ActionOf(entry)->text(), "") << "some styles draw a separator's text beside its line";
  EXPECT_TRUE(manager.EditMenuEntry(entry, 2, &plugin, icon, "Close"));
  EXPECT_EQ(ActionOf(entry)->text(), "Close ");
  EXPECT_EQ(ColourOf(ActionOf(entry)->icon()), QColor(Qt::red));
  ActionOf(entry)->trigger();
  EXPECT_EQ(menuClicks, (std::vector<Click>{{&manager, entry, 2, &plugin}}));

  // A button that becomes a separator and back keeps its place on the bar.
  manager.AddButton(1, nullptr, "", "Left");
  const std::uint32_t middle = manager.AddButton(2, nullptr, "", "Middle");
  manager.AddButton(3, nullptr, "", "Right");
  EXPECT_TRUE(manager.EditButton(middle, 0, nullptr, "", "-"));
  EXPECT_TRUE(bar.actions()[1]->isSeparator());
  EXPECT_TRUE(manager.EditButton(middle, 4, &plugin, icon, "Again"));
  ASSERT_EQ(bar.actions().size(), 3);
  EXPECT_EQ(bar.actions()[1]->text(), "Again");
  EXPECT_FALSE(bar.actions()[1]->icon().isNull());
  bar.actions()[1]->trigger();
  EXPECT_EQ(buttonClicks, (std::vector<Click>{{&manager, middle, 4, &plugin}}));
}

TEST_F(CommandManagerTest, RemovingAnEntryTakesItsSubEntriesAndTheirRecordsAlong) {
  const std::uint32_t keep = manager.AddMenuEntry(1, 0, nullptr, "", "Keep");
  const std::uint32_t heading = manager.AddMenuEntry(0, 0, nullptr, "", "Heading");
  const std::uint32_t sub = manager.AddMenuEntry(2, heading, nullptr, "", "Sub");
  const std::uint32_t subSub = manager.AddMenuEntry(3, sub, nullptr, "", "SubSub");
  const QPointer<QAction> stale = ActionOf(subSub);

  EXPECT_TRUE(manager.RemoveMenuEntry(heading));
  ASSERT_EQ(menuBar.actions().size(), 1);
  EXPECT_EQ(menuBar.actions().front(), ActionOf(keep));
  EXPECT_EQ(manager.MenuEntries().size(), 1u);
  EXPECT_FALSE(manager.EditMenuEntry(subSub, 4, nullptr, "", "Gone"));

  // A new record may reuse a freed address; the removed entry's action must not
  // report clicks for it.
  const std::uint32_t fresh = manager.AddMenuEntry(5, 0, nullptr, "", "Fresh");
  if (stale) stale->trigger();
  EXPECT_TRUE(menuClicks.empty());
  ActionOf(fresh)->trigger();
  EXPECT_EQ(menuClicks.size(), 1u);
}

TEST_F(CommandManagerTest, ClearCommandsEmptiesEverythingAndImagesLoadAnew) {
  const std::string icon = WriteImage(folder, "Icon.bmp", Qt::red);
  manager.AddMenuEntry(1, 0, nullptr, icon, "Entry");
  manager.AddButton(1, nullptr, icon, "First");
  WriteImage(folder, "Icon.bmp", Qt::blue);
  const std::uint32_t shared = manager.AddButton(2, nullptr, icon, "Second");
  EXPECT_EQ(ColourOf(ButtonOf(shared)->icon()), QColor(Qt::red));

  manager.ClearCommands();
  EXPECT_TRUE(menuBar.actions().isEmpty());
  EXPECT_TRUE(bar.actions().isEmpty());
  EXPECT_TRUE(manager.MenuEntries().empty() && manager.Buttons().empty());
  EXPECT_EQ(images.Count(), 0);

  const std::uint32_t again = manager.AddButton(3, nullptr, icon, "Again");
  EXPECT_EQ(ColourOf(ButtonOf(again)->icon()), QColor(Qt::blue));
}

TEST(CommandManager, WithoutMenuOrBarItStillKeepsItsRecordsAndFreesThem) {
  const std::size_t lowMemoryBefore = LowMemoryInUse();
  {
    TCommandManager bare(nullptr, nullptr, nullptr);
    const std::uint32_t entry = bare.AddMenuEntry(1, 0, nullptr, "Icon.bmp", "Entry");
    const std::uint32_t sub = bare.AddMenuEntry(2, entry, nullptr, "", "Sub");
    const std::uint32_t button = bare.AddButton(3, nullptr, "", "Button");
    bare.AddMenuEntry(4, 0, nullptr, "", "Left for the destructor");
    ASSERT_NE(bare.FindMenuEntry(entry), nullptr);
    EXPECT_EQ(bare.FindMenuEntry(entry)->MenuItem, nullptr);
    EXPECT_TRUE(IsLowAddress(bare.FindMenuEntry(sub)));
    EXPECT_TRUE(bare.EditButton(button, 5, nullptr, "", "-"));
    EXPECT_TRUE(bare.RemoveMenuEntry(entry));
    EXPECT_EQ(bare.FindMenuEntry(sub), nullptr);
    EXPECT_EQ(bare.MenuEntries().size(), 1u);
    EXPECT_TRUE(bare.RemoveButton(button));
  }
  EXPECT_EQ(LowMemoryInUse(), lowMemoryBefore);
}

}  // namespace
}  // namespace kp
