#include "ui/shell/layout_reader.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QMenuBar>
#include <QToolBar>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/config/simple_config.h"
#include "core/host/plugin_holder.h"
#include "support/temp_folder.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/image_list.h"

namespace kp {
namespace {

using enum Section;

const std::string kDistFolder = (std::filesystem::path(__FILE__).parent_path() / "../../../dist/").string();

constexpr std::string_view kMainTexts = R"([Main]
00005 = "Services"
00006 = "Uploads"
00008 = "Downloads"
00010 = "Add Service"
00012 = "Keplinor"
00013 = "Settings"
00014 = "Exit"
00015 = "Search"
)";

// The section tabs as the main window keeps them: all six until the layout parks them.
struct FakeSections : ISectionHost {
  std::vector<Section> tabs{MainWeb, Services, Uploads, Shared, Downloads, SearchResults};
  void ParkAll() override { tabs.clear(); }
  void Unpark(Section section) override { tabs.push_back(section); }
};

struct FakeSettingsPages : ISettingsPageHost {
  using enum TSettingsPage;
  std::vector<TSettingsPage> pages{Uploads, Shared, Downloads, Users, Search, Advanced};
  void ParkAllSettingsPages() override { pages.clear(); }
  void UnparkSettingsPage(TSettingsPage page) override { pages.push_back(page); }
};

// "Caption [sub-entries]" for each entry, "-" for a separator, joined by "|".
std::string Describe(const QWidget& menu) {
  std::string out;
  for (const QAction* action : menu.actions()) {
    if (!out.empty()) out += '|';
    out += action->isSeparator() ? std::string("-") : action->text().toStdString();
    if (const QMenu* sub = action->menu()) out += '[' + Describe(*sub) + ']';
  }
  return out;
}

std::vector<std::int32_t> Commands(const TCommandManager& manager, bool buttons) {
  std::vector<std::int32_t> commands;
  if (buttons) {
    for (const TButtonHolder* button : manager.Buttons()) commands.push_back(button->Command);
  } else {
    for (const TMenuHolder* entry : manager.MenuEntries()) commands.push_back(entry->Command);
  }
  return commands;
}

class LayoutReaderTest : public ::testing::Test {
 protected:
  LayoutReaderTest() {
    language.LoadFromText(kMainTexts);
    for (const char* icon : {"SettingsIcon.bmp", "ExitIcon.bmp", "SearchIcon.bmp", "UploadsIcon.bmp",
                             "DownloadsIcon.bmp", "AddServiceIcon.bmp", "CustomizeServicesIcon.bmp",
                             "HelpIcon.bmp", "AboutIcon.bmp", "Tool.bmp", "Own.bmp"}) {
      WriteIcon(std::string("Icons/") + icon);
    }
    sources.applicationFolder = folder.Path();
    sources.language = &language;
  }

  void WriteIcon(const std::string& relative) {
    folder.MakeFolder(std::filesystem::path(relative).parent_path().string());
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    ASSERT_TRUE(image.save(QString::fromStdString(folder / relative), "BMP"));
  }

  TLayoutResult Read(std::string_view layout) { return ReadFile(folder.WriteFile("Layout.cfg", layout)); }
  TLayoutResult ReadFile(const std::string& path) {
    return ReadLayout(path, mainCommands, popupCommands, sections, settingsPages, sources);
  }

  test::TempFolder folder;
  TSimpleConfig language;
  TLayoutSources sources;
  QMenuBar mainMenu;
  QMenu popupMenu;
  QToolBar bar;
  TImageList images;
  TCommandManager mainCommands{&mainMenu, &bar, &images};
  TCommandManager popupCommands{&popupMenu, nullptr, &images};
  FakeSections sections;
  FakeSettingsPages settingsPages;
};

TEST_F(LayoutReaderTest, TheShippedLayoutBuildsTheMenusTheBarAndTheSections) {
  ASSERT_TRUE(language.LoadFromFile(kDistFolder + "Application.flf"));
  const TLayoutResult result = ReadFile(kDistFolder + "Layout.cfg");
  ASSERT_TRUE(result.loaded);

  EXPECT_EQ(Describe(mainMenu),
            "&Keplinor [S&earch |Se&ttings |-|E&xit ]|&Services [&Add Service |&Customize... |-]|&Help "
            "[&Help |-|&About ]");
  EXPECT_EQ(Commands(mainCommands, false),
            (std::vector<std::int32_t>{0, 103, 101, 0, 102, 0, 106, 107, 0, 0, 108, 0, 110}));
  EXPECT_EQ(Describe(popupMenu), "&Show/Hide Keplinor |-|E&xit ");
  EXPECT_EQ(Commands(popupCommands, false), (std::vector<std::int32_t>{111, 0, 102}));
  EXPECT_EQ(Describe(bar), "S&earch|&Downloads|&Uploads|-|&Add Service|Se&ttings|&Help");
  EXPECT_EQ(Commands(mainCommands, true), (std::vector<std::int32_t>{103, 105, 104, 0, 106, 101, 108}));

  // Built-in icons come from the program's Icons folder; headings have none.
  const std::vector<TMenuHolder*>& entries = mainCommands.MenuEntries();
  EXPECT_EQ(entries[4]->IconFile, folder / "Icons/ExitIcon.bmp");
  EXPECT_FALSE(entries[4]->MenuItem->icon().isNull());
  EXPECT_TRUE(entries[0]->MenuItem->icon().isNull());
  EXPECT_FALSE(mainCommands.Buttons()[2]->Button->icon().isNull());

  EXPECT_EQ(result.servicesListManager, &mainCommands);
  EXPECT_EQ(mainCommands.FindMenuEntry(result.servicesListMenu), entries[5]);
  EXPECT_EQ(sections.tabs, (std::vector<Section>{MainWeb, Services, Uploads, Shared, Downloads}));
  using enum TSettingsPage;
  EXPECT_EQ(settingsPages.pages,
            (std::vector<TSettingsPage>{Shared, Search, Downloads, Uploads, Users, Advanced}));
  EXPECT_TRUE(result.setupPages.scanSystem);
  EXPECT_TRUE(result.setupPages.portCheck);
}

TEST_F(LayoutReaderTest, MenuWalkNestsFoldersAndMatchesKeywordsLoosely) {
  const TLayoutResult result = Read(R"(<!MAIN_MENU>
    <!ENTRY Custom="  exit_command "><!/ENTRY>
    <!ENTRY Custom="NO_SUCH_COMMAND"><!ENTRY Command="5" Text="Adopted"><!/ENTRY><!/ENTRY>
    <!ENTRY Command="4294967397" Text="Tools" Icon="Tool.bmp">
      <!ENTRY Command="7" Text="Deep"><!ENTRY Command="8" Text="Deeper"><!/ENTRY><!/ENTRY>
      <!ENTRY Command="0" Text=" - "><!/ENTRY>
    <!/ENTRY>
  <!/MAIN_MENU>)");
  // An unknown keyword adds nothing; its child folders go to its parent.
  EXPECT_EQ(Describe(mainMenu), "Exit |Adopted |Tools [Deep [Deeper ]|-]");
  EXPECT_EQ(Commands(mainCommands, false), (std::vector<std::int32_t>{102, 5, 101, 7, 8, 0}));
  EXPECT_EQ(mainCommands.MenuEntries()[2]->IconFile, folder / "Icons/Tool.bmp");
  EXPECT_FALSE(mainCommands.MenuEntries()[2]->MenuItem->icon().isNull());
  // The lists missing from the file contribute nothing: no popup entries, no
  // buttons, no sections, no settings pages, no setup pages.
  EXPECT_TRUE(result.loaded);
  EXPECT_TRUE(popupMenu.actions().isEmpty());
  EXPECT_TRUE(bar.actions().isEmpty());
  EXPECT_TRUE(sections.tabs.empty());
  EXPECT_TRUE(settingsPages.pages.empty());
  EXPECT_FALSE(result.setupPages.scanSystem || result.setupPages.portCheck);
}

TEST_F(LayoutReaderTest, ButtonWalkMatchesKeywordsExactlyAndOnlyThoseWithAButtonIcon) {
  const TLayoutResult result = Read(R"(<!MAIN_BUTTON_BAR>
    <BUTTON Custom="SEARCH_COMMAND">
    <BUTTON Custom="search_command">
    <BUTTON Custom=" SEARCH_COMMAND">
    <BUTTON Custom="SERVICES_LIST_COMMAND">
    <BUTTON Custom="KEPLINOR_COMMAND">
    <BUTTON Command="0" Text="-">
    <BUTTON Command="42" Text="&Open" Icon="Tool.bmp">
  <!/MAIN_BUTTON_BAR>)");
  EXPECT_EQ(Describe(bar), "Search|-|&Open");
  EXPECT_EQ(Commands(mainCommands, true), (std::vector<std::int32_t>{103, 0, 42}));
  EXPECT_EQ(result.servicesListMenu, 0u);
  EXPECT_TRUE(mainMenu.actions().isEmpty());
}

TEST_F(LayoutReaderTest, DestinationOwnsTheEntryNowOrWhenFirstChosen) {
  const std::string pluginFolder = folder.MakeFolder("plug");
  TPluginHolder loaded(pluginFolder + "a.so", "A.SO");
  TPluginHolder later("/plugins/b.so", "/PLUGINS/B.SO");
  WriteIcon("plug/Own.bmp");
  const TGuid guidA = *GuidFromText("{11111111-2222-3333-4444-555555555555}");
  const TGuid guidB = *GuidFromText("{AAAAAAAA-2222-3333-4444-555555555555}");
  sources.findPlugin = [&](const TGuid& guid) { return guid == guidA ? &loaded : nullptr; };

  Read(R"(<!MAIN_MENU>
    <!ENTRY Command="9" Text="Mine" Icon="Own.bmp" Destination="{11111111-2222-3333-4444-555555555555}"><!/ENTRY>
    <!ENTRY Command="10" Text="Later" Destination="{aaaaaaaa-2222-3333-4444-555555555555}"><!/ENTRY>
    <!ENTRY Command="11" Text="Nobody" Destination="not a guid"><!/ENTRY>
  <!/MAIN_MENU>)");
  const std::vector<TMenuHolder*>& entries = mainCommands.MenuEntries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0]->Plugin, &loaded);
  EXPECT_EQ(entries[0]->IconFile, pluginFolder + "Own.bmp");  // the plugin's folder comes first
  EXPECT_EQ(entries[1]->Plugin, nullptr);
  EXPECT_EQ(entries[2]->Destination, std::nullopt);

  std::vector<TPluginHolder*> owners;
  mainCommands.OnMenuClick = [&](TCommandManager&, std::uint32_t, std::int32_t, TPluginHolder* owner) {
    owners.push_back(owner);
  };
  mainCommands.PluginLookup = [&](const TGuid& guid) { return guid == guidB ? &later : nullptr; };
  entries[1]->MenuItem->trigger();
  entries[2]->MenuItem->trigger();
  EXPECT_EQ(owners, (std::vector<TPluginHolder*>{&later, nullptr}));
}

TEST_F(LayoutReaderTest, SectionListsChooseAndOrderThePages) {
  const TLayoutResult result = Read(R"(
    <!SECTIONS>
      <SECTION NAME="DOWNLOADS"> <SECTION NAME=" main_web "> <SECTION NAME="DOWNLOADS">
      <SECTION NAME="USERS"> <SECTION NAME="UPLOADS" Extra="ignored">
    <!/SECTIONS>
    <!SETTINGS_SECTIONS>
      <SECTION NAME="ADVANCED"> <SECTION NAME="MAIN_WEB"> <SECTION NAME="users">
    <!/SETTINGS_SECTIONS>
    <!SETUP_SECTIONS> <SECTION NAME="portcheck"> <SECTION NAME="SCAN_SYSTEM"> <!/SETUP_SECTIONS>)");
  EXPECT_EQ(sections.tabs, (std::vector<Section>{Downloads, MainWeb, Uploads}));
  EXPECT_EQ(settingsPages.pages, (std::vector<TSettingsPage>{TSettingsPage::Advanced, TSettingsPage::Users}));
  EXPECT_TRUE(result.setupPages.portCheck);
  EXPECT_FALSE(result.setupPages.scanSystem);
}

TEST_F(LayoutReaderTest, AMissingFileParksNothingAndLeavesTheMenusEmpty) {
  const TLayoutResult result = ReadFile(folder / "Layout.cfg");
  EXPECT_FALSE(result.loaded);
  EXPECT_TRUE(mainMenu.actions().isEmpty());
  EXPECT_TRUE(popupMenu.actions().isEmpty());
  EXPECT_TRUE(bar.actions().isEmpty());
  EXPECT_EQ(sections.tabs,
            (std::vector<Section>{MainWeb, Services, Uploads, Shared, Downloads, SearchResults}));
  EXPECT_EQ(settingsPages.pages.size(), 6u);
  EXPECT_FALSE(result.setupPages.scanSystem || result.setupPages.portCheck);
}

TEST_F(LayoutReaderTest, AFailureEndsTheReadingAndKeepsWhatWasBuilt) {
  struct FailingSections : FakeSections {
    void Unpark(Section) override { throw std::runtime_error("no page"); }
  } failing;
  const TLayoutResult result = ReadLayout(
      folder.WriteFile("Layout.cfg", R"(<!POPUP_MENU><!ENTRY Custom="EXIT_COMMAND"><!/ENTRY><!/POPUP_MENU>
        <!SECTIONS><SECTION NAME="SHARED"><!/SECTIONS>
        <!SETTINGS_SECTIONS><SECTION NAME="USERS"><!/SETTINGS_SECTIONS>
        <!SETUP_SECTIONS><SECTION NAME="PORTCHECK"><!/SETUP_SECTIONS>)"),
      mainCommands, popupCommands, failing, settingsPages, sources);
  EXPECT_EQ(Describe(popupMenu), "Exit ");
  EXPECT_TRUE(failing.tabs.empty());
  EXPECT_EQ(settingsPages.pages.size(), 6u);
  EXPECT_FALSE(result.setupPages.portCheck);
}

}  // namespace
}  // namespace kp
