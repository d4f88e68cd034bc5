#include "core/config/settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "core/config/settings_table.h"
#include "core/config/wildcard.h"
#include "support/temp_folder.h"

namespace kp {

// Failure messages list the values key by key.
void PrintTo(const TSettings& settings, std::ostream* out) {
  for (const TSettingKey& row : SettingsTable()) {
    *out << "\n  " << row.Section << "/" << row.Key << " = ";
    std::visit(
        [&](const auto* value) {
          if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, TPatternList>) {
            *out << '"' << value->Text() << "\" (" << value->Patterns().size() << " patterns)";
          } else if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, std::string>) {
            *out << '"' << *value << '"';
          } else {
            *out << *value;
          }
        },
        row.ConstValue(settings));
  }
}

namespace {

using Strings = std::vector<std::string>;

// The whole store on one line: "[name]" then the keys, comma separated.
std::string KeysOf(const TSimpleConfig& config) {
  std::string out;
  for (std::size_t s = 0; s < config.SectionCount(); ++s) {
    out += "[" + config.SectionNameAt(s) + "]";
    const TSectionObject& section = config.SectionAt(s);
    for (std::size_t k = 0; k < section.Count(); ++k) out += (k ? "," : "") + section.KeyAt(k);
  }
  return out;
}

std::string ValueIn(TSimpleConfig& config, std::string_view section, std::string_view key) {
  config.SelectSection(section);
  return config.ReadString(key);
}

// A settings file that sets every key. Uploads and Downloads share key names,
// so their values differ wherever they could be mixed up.
constexpr std::string_view kFullFile = R"([Application]
Name = "Keplinor Test"
LargeOnlineIcon = "large-on.png"
SmallOnlineIcon = "small-on.png"
LargeOfflineIcon = "large-off.png"
SmallOfflineIcon = "RESOURCE://3"
HomePageURL = "http://start.example.net/"
HelpURL = "http://help.example.net/"
HelpEmail = "help@example.net"
PortCheckServer = "check.example.net"
PortCheckPort = "9000"
AdvertisingServer = "ads.example.net:8080"
FirewallStatus = "1"
SetupComplete = "TRUE"
[SharedItems]
ScanExtensions = "mp3,ogg,avi"
ExecuteExtensions = "*.mp3, *.ogg,,*.txt , "
[Searching]
LimitResults = "TRUE"
MaximumResults = "500"
LimitResultTabs = "FALSE"
MaximumResultTabs = "12"
LimitExtensions = "TRUE"
FilterExtensions = "*.exe,*.scr"
GroupResults = "TRUE"
KeepHistory = "FALSE"
MaximumHistory = "20"
RememberLastRequest = "TRUE"
[Uploads]
Limit = "TRUE"
Maximum = "3"
LimitPerUser = "FALSE"
MaximumPerUser = "4"
LimitQueues = "TRUE"
MaximumQueues = "50"
LimitQueuesPerUser = "FALSE"
MaximumQueuesPerUser = "6"
LimitBandwidth = "TRUE"
MaximumBandwidth = "65536"
ClearComplete = "FALSE"
ClearFailed = "TRUE"
Timeout = "120"
ShowStatus = "FALSE"
[Downloads]
Limit = "FALSE"
Maximum = "7"
LimitPerUser = "TRUE"
MaximumPerUser = "8"
LimitBandwidth = "FALSE"
MaximumBandwidth = "131072"
ClearComplete = "TRUE"
ClearFailed = "FALSE"
Timeout = "90"
TempFolder = "/data/incoming"
CompletedFolder = "/data/done"
ShowStatus = "TRUE"
[Advanced]
LaunchAtSystemStartup = "TRUE"
MinimizeAtStartup = "FALSE"
MinimizeOnCloseButton = "TRUE"
RememberLocation = "FALSE"
WindowTop = "-20"
WindowLeft = "1930"
WindowHeight = "600"
WindowWidth = "800"
WindowMaximized = "TRUE"
ActiveSection = "5"
)";

// kFullFile as working values (members in the order of the file's lines), with the
// program folder that resolves its icons.
TSettings FullSettings(const std::string& applicationFolder) {
  TSettings s;
  s.Application = {"Keplinor Test",
                   applicationFolder + "Icons/large-on.png",
                   "small-on.png",
                   applicationFolder + "large-off.png",
                   "RESOURCE://3",
                   "http://start.example.net/",
                   "http://help.example.net/",
                   "help@example.net",
                   "check.example.net",
                   9000,
                   "ads.example.net:8080",
                   1,
                   true};
  s.SharedItems = {"mp3,ogg,avi", TPatternList("*.mp3, *.ogg,,*.txt , ")};
  s.Searching = {true, 500, false, 12, true, TPatternList("*.exe,*.scr"), true, false, 20, true};
  s.Uploads = {true, 3, false, 4, true, 50, false, 6, true, 65536, false, true, 120, false};
  s.Downloads = {false, 7, true, 8, false, 131072, true, false, 90, "/data/incoming", "/data/done", true};
  s.Advanced = {true, false, true, false, -20, 1930, 600, 800, true, 5};
  return s;
}

class SettingsModel : public ::testing::Test {
 protected:
  SettingsModel() {
    app.WriteFile("Icons/large-on.png", "png");
    app.WriteFile("large-off.png", "png");
    full.LoadFromText(kFullFile);
  }

  test::TempFolder app;
  TSimpleConfig full;
};

TEST_F(SettingsModel, TableHoldsEveryKeyOnceEachFeedingAValueOfItsOwn) {
  std::set<std::pair<std::string, std::string>> expected;  // the full file names every key
  for (std::size_t s = 0; s < full.SectionCount(); ++s) {
    for (std::size_t k = 0; k < full.SectionAt(s).Count(); ++k) {
      expected.emplace(full.SectionNameAt(s), full.SectionAt(s).KeyAt(k));
    }
  }
  std::set<std::pair<std::string, std::string>> actual;
  std::set<const void*> values;
  Strings sectionsInReadOrder;
  TSettings settings;
  for (const TSettingKey& row : SettingsTable()) {
    actual.emplace(row.Section, row.Key);
    values.insert(std::visit([](auto* value) -> const void* { return value; }, row.Value(settings)));
    if (sectionsInReadOrder.empty() || sectionsInReadOrder.back() != row.Section) {
      sectionsInReadOrder.emplace_back(row.Section);
    }
  }
  EXPECT_EQ(actual, expected);
  EXPECT_EQ(values.size(), SettingsTable().size()) << "two keys feed the same working value";
  EXPECT_EQ(sectionsInReadOrder,
            (Strings{"SharedItems", "Application", "Searching", "Uploads", "Downloads", "Advanced"}))
      << "each section is read in one go, in this order";
}

TEST_F(SettingsModel, LoadsEveryKeyIntoItsValueAndSurvivesARoundTrip) {
  const TSettings loaded = LoadSettings(full, app.Path());
  EXPECT_EQ(loaded, FullSettings(app.Path()));

  TSimpleConfig fresh;
  SaveSettings(loaded, fresh);
  const TSettings reloaded = LoadSettings(fresh, app.Path());

  // The branding keys are not written, so only the Application state comes back.
  TSettings expected = loaded;
  expected.Application = TApplicationSettings();
  expected.Application.FirewallStatus = loaded.Application.FirewallStatus;
  expected.Application.SetupComplete = loaded.Application.SetupComplete;
  EXPECT_EQ(reloaded, expected);
  EXPECT_EQ(ValueIn(fresh, "SharedItems", "ExecuteExtensions"), "*.mp3, *.ogg,,*.txt , ")
      << "a pattern list is written as it was typed";
}

TEST_F(SettingsModel, FreshStoreGetsSectionsAndKeysInTheSaveOrder) {
  TSimpleConfig fresh;
  SaveSettings(LoadSettings(full, app.Path()), fresh);
  EXPECT_EQ(
      KeysOf(fresh),
      "[SharedItems]ScanExtensions,ExecuteExtensions"
      "[Searching]LimitResults,MaximumResults,LimitResultTabs,MaximumResultTabs,LimitExtensions,"
      "FilterExtensions,GroupResults,KeepHistory,MaximumHistory,RememberLastRequest"
      "[Uploads]Limit,Maximum,LimitPerUser,MaximumPerUser,LimitQueues,MaximumQueues,LimitQueuesPerUser,"
      "MaximumQueuesPerUser,LimitBandwidth,MaximumBandwidth,ClearComplete,ClearFailed,Timeout,ShowStatus"
      "[Downloads]Limit,Maximum,LimitPerUser,MaximumPerUser,LimitBandwidth,MaximumBandwidth,ClearComplete,"
      "ClearFailed,Timeout,CompletedFolder,TempFolder,ShowStatus"
      "[Advanced]LaunchAtSystemStartup,MinimizeAtStartup,RememberLocation,MinimizeOnCloseButton,"
      "WindowTop,WindowLeft,WindowWidth,WindowHeight,WindowMaximized,ActiveSection"
      "[Application]FirewallStatus,SetupComplete");
  EXPECT_EQ(fresh.SaveToText().substr(0, 15), "[SharedItems]\r\n");
}

TEST_F(SettingsModel, SaveLeavesBrandingAndUnknownKeysAsLoaded) {
  full.LoadFromText("[Application]\nExtra = \"kept\"\n[Plugins]\nSomePlugin = \"on\"\n");
  const std::string before = full.SaveToText();

  TSettings settings = LoadSettings(full, app.Path());
  ASSERT_EQ(settings.Application.LargeOnlineIcon, app / "Icons/large-on.png");
  settings.Application.Name = "Changed";
  settings.Application.PortCheckServer = "elsewhere.example.net";
  settings.Application.AdvertisingServer.clear();
  settings.Application.FirewallStatus = 0;
  settings.Application.SetupComplete = false;
  SaveSettings(settings, full);

  TSimpleConfig expected;
  expected.LoadFromText(before);
  expected.SelectSection("Application");
  expected.WriteString("FirewallStatus", "0");
  expected.WriteString("SetupComplete", "FALSE");
  EXPECT_EQ(full.SaveToText(), expected.SaveToText())
      << "only the state keys of Application change; icon names are not replaced by resolved paths";
}

TEST_F(SettingsModel, WindowRectangleIsWrittenEvenWhenNotRemembered) {
  TSettings settings;
  settings.Advanced.RememberLocation = false;
  settings.Advanced.WindowTop = -8;
  settings.Advanced.WindowLeft = 2560;
  settings.Advanced.WindowWidth = 1024;
  settings.Advanced.WindowHeight = 700;
  SaveSettings(settings, full);

  EXPECT_EQ(ValueIn(full, "Advanced", "RememberLocation"), "FALSE");
  EXPECT_EQ(ValueIn(full, "Advanced", "WindowTop"), "-8");
  EXPECT_EQ(ValueIn(full, "Advanced", "WindowLeft"), "2560");
  EXPECT_EQ(ValueIn(full, "Advanced", "WindowWidth"), "1024");
  EXPECT_EQ(ValueIn(full, "Advanced", "WindowHeight"), "700");
  EXPECT_EQ(LoadSettings(full, app.Path()).Advanced.WindowTop, -8) << "and read back at the next start";
}

TEST_F(SettingsModel, MissingFileGivesEmptyValuesAndCreatesNothing) {
  TSimpleConfig empty;
  EXPECT_EQ(LoadSettings(empty, app.Path()), TSettings{});
  EXPECT_EQ(empty.SectionCount(), 0u);
}

TEST_F(SettingsModel, ObserverHearsTheSearchingValuesOnceLoaded) {
  struct Recorder : ISettingsObserver {
    void SearchingSettingsLoaded(const TSearchingSettings& searching) override { seen.push_back(searching); }
    std::vector<TSearchingSettings> seen;
  } recorder;
  const TSettings settings = LoadSettings(full, app.Path(), &recorder);
  ASSERT_EQ(recorder.seen.size(), 1u);
  EXPECT_EQ(recorder.seen[0], settings.Searching);
}

TEST(SettingsPatternList, SplitsAtCommasAndDropsBlankPieces) {
  EXPECT_EQ(TPatternList("*.mp3, *.OGG ,*.txt").Patterns(), (Strings{"*.mp3", "*.OGG", "*.txt"}));
  EXPECT_EQ(TPatternList("").Patterns(), Strings{});

  // A blank piece would be an empty pattern, which matches every name: a typed
  // double comma or a blank after the last comma must not make every file match.
  for (const char* text : {"*.txt,,*.jpg", "*.txt, ", " , ", ",*.jpg", "\t"}) {
    const TPatternList list(text);
    EXPECT_EQ(list.Text(), text);
    EXPECT_TRUE(std::none_of(list.Patterns().begin(), list.Patterns().end(),
                             [](const std::string& p) { return MatchWildcard(p, "setup.exe"); }))
        << '"' << text << "\" lets every file through";
  }

  TPatternList list("*.a");
  list.Assign("*.b,*.c");
  EXPECT_EQ(list.Patterns(), (Strings{"*.b", "*.c"})) << "a new text replaces the old patterns";
}

TEST(SettingsPortCheck, UsesTheConfiguredPortOnlyWhenItIsAPort) {
  TApplicationSettings application;
  for (const auto& [configured, used] : std::vector<std::pair<std::int32_t, int>>{
           {0, 8890}, {9000, 9000}, {1, 1}, {65535, 65535}, {65536, 8890}, {-1, 8890}}) {
    application.PortCheckPort = configured;
    EXPECT_EQ(EffectivePortCheckPort(application), used) << configured;
  }
}

}  // namespace
}  // namespace kp
