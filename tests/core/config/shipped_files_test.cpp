// The files that ship beside the executable: the language file, the settings file,
// the layout, the scanning rules and the icons the build makes. Each must be
// readable by the program exactly as it stands and hold what the program asks of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/config/language_ids.h"
#include "core/config/settings.h"
#include "core/config/settings_table.h"
#include "core/config/simple_config.h"
#include "core/config/text_basics.h"
#include "core/config/text_format.h"
#include "core/config/tree_config.h"
#include "core/config/wildcard.h"
#include "core/platform/file_io.h"

namespace kp {
namespace {

const std::string kDistFolder = KEPLINOR_DIST_DIR "/";
#ifdef KEPLINOR_ICONS_BUILT
constexpr bool kIconsBuilt = true;
#else
constexpr bool kIconsBuilt = false;  // a core-only build makes no icons
#endif

bool IsInteger(std::string_view text) {
  if (!text.empty() && text.front() == '-') text.remove_prefix(1);
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A flat file as the program writes it: "[Section]" headers, key = "value" lines,
// an empty line between sections and CR LF after every line. Reading it and writing
// it back gives the same bytes only then: a double quote inside a value, a line the
// reader drops, a duplicate key or a bare LF all change the result.
void ExpectFlatFileAsTheProgramWritesIt(const std::string& fileName) {
  const std::string text = ReadWholeFile(kDistFolder + fileName).value_or("");
  ASSERT_FALSE(text.empty()) << fileName << " is missing or empty";
  TSimpleConfig config;
  config.LoadFromText(text);
  EXPECT_EQ(config.SaveToText(), text) << fileName << " is not in the exact form the program writes";
}

TSimpleConfig LoadFlatFile(const std::string& fileName) {
  TSimpleConfig config;
  EXPECT_TRUE(config.LoadFromFile(kDistFolder + fileName)) << fileName;
  return config;
}

// The conversions of a format text in order ("s", "d", "dd" ...): %% is a percent
// sign; an optional index, "-", width and precision may stand between "%" and the
// letter. Anything else after a "%" gives "?", which matches no expectation.
std::string Placeholders(std::string_view text) {
  std::string kinds;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t at = i + 1;
    const std::string_view modifiers = "0123456789:-.";
    while (at < text.size() && modifiers.find(text[at]) != std::string_view::npos) ++at;
    const char kind = at < text.size() ? text[at] : '\0';
    kinds += (kind == 's' || kind == 'd') ? kind : '?';
    i = at;
  }
  return kinds;
}

// --- The language file -------------------------------------------------------

TEST(ShippedLanguageFile, IsInTheFlatFormatWithCrLfLines) {
  ExpectFlatFileAsTheProgramWritesIt("Application.flf");
}

TEST(ShippedLanguageFile, HoldsATextForEveryLookupAndNothingElse) {
  const TSimpleConfig language = LoadFlatFile("Application.flf");

  std::set<std::pair<std::string, std::string>> looked;
  for (const LanguageTextId& text : kLanguageTextIds) {
    EXPECT_EQ(text.id.size(), 5u) << text.section << "/" << text.id;
    EXPECT_TRUE(std::all_of(text.id.begin(), text.id.end(), [](char c) { return c >= '0' && c <= '9'; }))
        << text.section << "/" << text.id << " is not a five-digit id";
    EXPECT_FALSE(text.use.empty()) << text.section << "/" << text.id << " has no note of its use";
    EXPECT_TRUE(looked.emplace(ToUpperAscii(text.section), std::string(text.id)).second)
        << text.section << "/" << text.id << " is listed twice";

    const TSectionObject* section = language.FindSection(text.section);
    ASSERT_NE(section, nullptr) << "the language file has no section " << text.section;
    EXPECT_TRUE(section->HasKey(text.id)) << "missing text " << text.section << "/" << text.id;
    EXPECT_FALSE(Trim(section->GetValue(text.id)).empty())
        << "empty text " << text.section << "/" << text.id << " (" << text.use << ")";
  }

  for (std::size_t s = 0; s < language.SectionCount(); ++s) {
    const TSectionObject& section = language.SectionAt(s);
    for (std::size_t k = 0; k < section.Count(); ++k) {
      EXPECT_TRUE(looked.count({ToUpperAscii(language.SectionNameAt(s)), section.KeyAt(k)}))
          << "nothing looks up " << language.SectionNameAt(s) << "/" << section.KeyAt(k)
          << ": a misspelt id or section?";
    }
  }
}

TEST(ShippedLanguageFile, HasTheSectionOfEveryWindow) {
  std::istringstream names(
      "General Main About Settings ServiceWizard ModifyService DeleteService SetupWizard SearchRequest "
      "SearchResults Downloads Uploads Transfers SharedItems ModifySharedFolder ModifySharedFile "
      "ModifySharedAccess DeleteShare SearchSystemProgress ModifyUser DeleteUser StartPage");
  const std::set<std::string> windows{std::istream_iterator<std::string>(names), {}};
  std::set<std::string> sections;
  for (const LanguageTextId& text : kLanguageTextIds) sections.emplace(text.section);
  EXPECT_EQ(sections, windows);
}

TEST(ShippedLanguageFile, FormatTextsHoldExactlyTheirPlaceholders) {
  const TSimpleConfig language = LoadFlatFile("Application.flf");
  for (const LanguageTextId& text : kLanguageTextIds) {
    const TSectionObject* section = language.FindSection(text.section);
    if (!section) continue;  // reported by the test above
    const std::string& value = section->GetValue(text.id);
    EXPECT_EQ(Placeholders(value), text.arguments)
        << text.section << "/" << text.id << " = \"" << value << "\" (" << text.use << ")";
    if (text.arguments == "s") {
      EXPECT_TRUE(FormatWithText(value, "1.5").has_value())
          << text.section << "/" << text.id << " is no format for one text: " << value;
    }
  }
}

TEST(ShippedLanguageFile, FolderTypeSortsBeforeTheFileTypes) {
  // The shared files list sorts by its Type column and keeps folders on top.
  TSimpleConfig language = LoadFlatFile("Application.flf");
  language.SelectSection("SharedItems");
  const std::string folder = language.ReadString("00007");
  for (const char* fileType : {"00006", "00009"}) {
    const std::string file = language.ReadString(fileType);
    EXPECT_LT(folder, file) << "SharedItems/" << fileType;
    EXPECT_LT(ToUpperAscii(folder), ToUpperAscii(file)) << "SharedItems/" << fileType << ", ignoring case";
  }
}

// --- The settings file -------------------------------------------------------

// The icon names that icons.txt lists, with their sizes.
std::map<std::string, int> ReadIconList() {
  std::map<std::string, int> icons;
  std::istringstream lines(ReadWholeFile(KEPLINOR_ICON_LIST).value_or(""));
  std::string line;
  while (std::getline(lines, line)) {
    line = std::string(Trim(line));
    if (line.empty() || line.front() == '#') continue;
    std::istringstream fields(line);
    std::string name, tango;
    int size = 0;
    fields >> name >> tango >> size;
    EXPECT_TRUE(fields && !tango.empty() && size > 0) << "icons.txt: " << line;
    EXPECT_TRUE(icons.emplace(name, size).second) << "icons.txt lists " << name << " twice";
  }
  return icons;
}

TEST(ShippedSettingsFile, IsInTheFlatFormatWithCrLfLines) {
  ExpectFlatFileAsTheProgramWritesIt("Application4.cfg");
}

TEST(ShippedSettingsFile, HoldsAValueOfTheRightKindForEveryKeyAndNoOtherKey) {
  TSimpleConfig store = LoadFlatFile("Application4.cfg");
  const std::map<std::string, int> icons = ReadIconList();

  std::set<std::pair<std::string, std::string>> known;
  for (const TSettingKey& row : SettingsTable()) {
    known.emplace(ToUpperAscii(row.Section), ToUpperAscii(row.Key));
    const std::string where = std::string(row.Section) + "/" + std::string(row.Key);
    const TSectionObject* section = store.FindSection(row.Section);
    ASSERT_NE(section, nullptr) << "no section " << row.Section;
    ASSERT_TRUE(section->HasKey(row.Key)) << "no value for " << where;
    const std::string& value = section->GetValue(row.Key);
    switch (row.Type) {
      case TSettingType::Boolean:
        EXPECT_TRUE(value == "TRUE" || value == "FALSE") << where << " = " << value;
        break;
      case TSettingType::Integer:
        EXPECT_TRUE(IsInteger(value)) << where << " = " << value;
        break;
      case TSettingType::IconFile:
        EXPECT_TRUE(icons.count(value)) << where << " names " << value << ", which the build does not make";
        break;
      case TSettingType::PatternList: {
        const TPatternList patterns(value);
        EXPECT_FALSE(patterns.Patterns().empty()) << where << " is empty";
        for (const std::string& pattern : patterns.Patterns()) {
          EXPECT_EQ(pattern.rfind("*.", 0), 0u) << where << " holds the pattern " << pattern;
        }
        break;
      }
      case TSettingType::Text:
        break;
    }
  }

  for (std::size_t s = 0; s < store.SectionCount(); ++s) {
    const TSectionObject& section = store.SectionAt(s);
    for (std::size_t k = 0; k < section.Count(); ++k) {
      EXPECT_TRUE(known.count({ToUpperAscii(store.SectionNameAt(s)), ToUpperAscii(section.KeyAt(k))}))
          << store.SectionNameAt(s) << "/" << section.KeyAt(k) << " is no settings key";
    }
  }
}

TEST(ShippedSettingsFile, StartsANewUserWithTheSetupWizardAndWorkingLimits) {
  TSimpleConfig store = LoadFlatFile("Application4.cfg");
  const TSettings settings = LoadSettings(store, kDistFolder);
  const TApplicationSettings& app = settings.Application;

  EXPECT_EQ(app.Name, "Keplinor");
  EXPECT_FALSE(app.SetupComplete) << "the first start must run the setup wizard";
  EXPECT_EQ(app.FirewallStatus, 3) << "no port check has been made yet";
  // A user's program contacts no host that the user did not name: the hosts ship
  // empty, which turns their features off.
  for (const std::string* host : {&app.PortCheckServer, &app.AdvertisingServer, &app.HomePageURL}) {
    EXPECT_TRUE(host->empty()) << *host;
  }
  EXPECT_EQ(EffectivePortCheckPort(app), 8890);
  EXPECT_EQ(app.HelpURL.rfind("https://", 0), 0u) << app.HelpURL;
  EXPECT_NE(app.HelpEmail.find('@'), std::string::npos) << app.HelpEmail;

  EXPECT_TRUE(settings.Downloads.TempFolder.empty()) << "the program makes Temp beside itself";
  EXPECT_TRUE(settings.Downloads.CompletedFolder.empty()) << "the program makes Downloads beside itself";

  // A limit that is switched on with a maximum of 0 would let nothing run at all.
  const std::vector<std::pair<std::string, std::int32_t>> maxima = {
      {"Searching/MaximumResults", settings.Searching.MaximumResults},
      {"Searching/MaximumResultTabs", settings.Searching.MaximumResultTabs},
      {"Searching/MaximumHistory", settings.Searching.MaximumHistory},
      {"Uploads/Maximum", settings.Uploads.Maximum},
      {"Uploads/MaximumPerUser", settings.Uploads.MaximumPerUser},
      {"Uploads/MaximumQueues", settings.Uploads.MaximumQueues},
      {"Uploads/MaximumQueuesPerUser", settings.Uploads.MaximumQueuesPerUser},
      {"Uploads/MaximumBandwidth", settings.Uploads.MaximumBandwidth},
      {"Uploads/Timeout", settings.Uploads.Timeout},
      {"Downloads/Maximum", settings.Downloads.Maximum},
      {"Downloads/MaximumPerUser", settings.Downloads.MaximumPerUser},
      {"Downloads/MaximumBandwidth", settings.Downloads.MaximumBandwidth},
      {"Downloads/Timeout", settings.Downloads.Timeout},
  };
  for (const auto& [key, value] : maxima) EXPECT_GT(value, 0) << key;
  EXPECT_TRUE(settings.Searching.GroupResults);
  EXPECT_TRUE(settings.Searching.KeepHistory);
  EXPECT_EQ(settings.Searching.MaximumHistory, 20);

  if (settings.Advanced.RememberLocation) {
    EXPECT_GT(settings.Advanced.WindowWidth, 0) << "the first window would have no size";
    EXPECT_GT(settings.Advanced.WindowHeight, 0) << "the first window would have no size";
  }
}

// --- The layout --------------------------------------------------------------

// The program's own commands by layout keyword; headings are those without a command.
struct Keyword {
  std::string_view name;
  bool heading;
  bool button;
};
constexpr Keyword kKeywords[] = {
    {"SETTINGS_COMMAND", false, true},
    {"EXIT_COMMAND", false, true},
    {"SEARCH_COMMAND", false, true},
    {"UPLOADS_COMMAND", false, true},
    {"DOWNLOADS_COMMAND", false, true},
    {"ADD_SERVICES_COMMAND", false, true},
    {"CUSTOMIZE_SERVICES_COMMAND", false, true},
    {"HELP_COMMAND", false, true},
    {"ABOUT_COMMAND", false, true},
    {"SERVICES_LIST_COMMAND", true, false},
    {"HELP_NAVIGATOR_COMMAND", true, false},
    {"KEPLINOR_COMMAND", true, false},
};

const Keyword* FindKeyword(std::string_view name) {
  for (const Keyword& keyword : kKeywords) {
    if (keyword.name == name) return &keyword;
  }
  return nullptr;
}

TConfig LoadTreeFile(const std::string& fileName) {
  TConfig config;
  EXPECT_NO_THROW(config.LoadFromFile(kDistFolder + fileName)) << fileName;
  return config;
}

// A generic menu entry or button: a number and a caption.
void ExpectGenericCommand(const TConfig& config, const std::string& where) {
  EXPECT_TRUE(IsInteger(Trim(config.ReadValue("Command"))))
      << where << ": Command " << config.ReadValue("Command");
  EXPECT_FALSE(Trim(config.ReadValue("Text")).empty()) << where << " has no caption";
}

// Walks the menu below the current folder as the program does, collecting the
// keywords of its entries (trimmed and upper-cased, as menus compare them).
void WalkMenu(TConfig& config, const std::string& path, std::multiset<std::string>& keywords) {
  for (std::size_t i = 0; i < config.FolderCount(); ++i) {
    ASSERT_TRUE(config.EnterFolder(i));
    const std::string where = path + "\\" + config.Current().name + "#" + std::to_string(i);
    const std::string custom = ToUpperAscii(Trim(config.ReadValue("Custom")));
    if (custom.empty()) {
      ExpectGenericCommand(config, where);
    } else {
      const Keyword* keyword = FindKeyword(custom);
      EXPECT_NE(keyword, nullptr) << where << ": unknown keyword " << custom;
      keywords.insert(custom);
      // An entry with sub-entries only opens them: a command there could never be chosen.
      if (keyword && !keyword->heading) {
        EXPECT_EQ(config.FolderCount(), 0u) << where << " hides its command";
      }
    }
    WalkMenu(config, where, keywords);
    config.GoUp();
  }
}

TEST(ShippedLayout, HoldsTheSixListsAtTheTopAndNothingElse) {
  TConfig layout = LoadTreeFile("Layout.cfg");
  std::vector<std::string> names;
  for (const auto& folder : layout.Root().folders) names.push_back(folder.node->name);
  EXPECT_EQ(names, (std::vector<std::string>{"MAIN_MENU", "POPUP_MENU", "MAIN_BUTTON_BAR", "SECTIONS",
                                             "SETTINGS_SECTIONS", "SETUP_SECTIONS"}))
      << "a folder that is not closed swallows the lists after it";
  EXPECT_TRUE(layout.Root().entries.empty()) << "a tag stands outside every list";
}

TEST(ShippedLayout, MainMenuOffersTheProgramsCommandsUnderHeadings) {
  TConfig layout = LoadTreeFile("Layout.cfg");
  ASSERT_TRUE(layout.GoTo("\\MAIN_MENU"));
  std::multiset<std::string> keywords;
  WalkMenu(layout, "MAIN_MENU", keywords);
  EXPECT_EQ(keywords.count("SERVICES_LIST_COMMAND"), 1u) << "the services are listed under one heading";
  for (const char* command :
       {"SETTINGS_COMMAND", "SEARCH_COMMAND", "EXIT_COMMAND", "HELP_COMMAND", "ABOUT_COMMAND"}) {
    EXPECT_TRUE(keywords.count(command)) << "the main menu lacks " << command;
  }
}

TEST(ShippedLayout, TrayMenuTogglesTheWindowAndExits) {
  TConfig layout = LoadTreeFile("Layout.cfg");
  ASSERT_TRUE(layout.GoTo("\\POPUP_MENU"));
  std::multiset<std::string> keywords;
  WalkMenu(layout, "POPUP_MENU", keywords);
  bool toggle = false;
  for (std::size_t i = 0; i < layout.FolderCount(); ++i) {
    ASSERT_TRUE(layout.EnterFolder(i));
    toggle =
        toggle || (Trim(layout.ReadValue("Custom")).empty() && Trim(layout.ReadValue("Command")) == "111");
    layout.GoUp();
  }
  EXPECT_TRUE(toggle) << "no entry with command 111 shows and hides the window";
  EXPECT_EQ(keywords.count("EXIT_COMMAND"), 1u);
}

TEST(ShippedLayout, ButtonBarNamesItsCommandsExactlyAsWritten) {
  TConfig layout = LoadTreeFile("Layout.cfg");
  ASSERT_TRUE(layout.GoTo("\\MAIN_BUTTON_BAR"));
  std::set<std::string> buttons;
  for (std::size_t i = 0; i < layout.EntryCount(); ++i) {
    const std::string where = "MAIN_BUTTON_BAR\\" + layout.SelectEntryAt(i) + "#" + std::to_string(i);
    const std::string custom = layout.ReadValue("Custom");
    if (custom.empty()) {
      ExpectGenericCommand(layout, where);
      continue;
    }
    // Buttons match keywords with letter case and blanks as written.
    const Keyword* keyword = FindKeyword(custom);
    EXPECT_TRUE(keyword && keyword->button) << where << ": no button for \"" << custom << "\"";
    buttons.insert(custom);
  }
  for (const char* command : {"SEARCH_COMMAND", "DOWNLOADS_COMMAND", "UPLOADS_COMMAND"}) {
    EXPECT_TRUE(buttons.count(command)) << "the button bar lacks " << command;
  }
}

// The NAME values of a section list, trimmed and upper-cased as the program reads them.
std::vector<std::string> SectionNames(TConfig& layout, std::string_view path) {
  std::vector<std::string> names;
  if (!layout.GoTo(path)) {
    ADD_FAILURE() << "no list " << path;
    return names;
  }
  for (std::size_t i = 0; i < layout.EntryCount(); ++i) {
    layout.SelectEntryAt(i);
    names.push_back(ToUpperAscii(Trim(layout.ReadValue("NAME"))));
  }
  return names;
}

TEST(ShippedLayout, SectionListsShowEveryPageOnce) {
  TConfig layout = LoadTreeFile("Layout.cfg");
  using Names = std::multiset<std::string>;
  const auto asSet = [](const std::vector<std::string>& names) { return Names(names.begin(), names.end()); };
  EXPECT_EQ(asSet(SectionNames(layout, "\\SECTIONS")),
            (Names{"MAIN_WEB", "SERVICES", "UPLOADS", "SHARED", "DOWNLOADS"}));
  EXPECT_EQ(asSet(SectionNames(layout, "\\SETTINGS_SECTIONS")),
            (Names{"UPLOADS", "SHARED", "DOWNLOADS", "USERS", "SEARCH", "ADVANCED"}));
  EXPECT_EQ(asSet(SectionNames(layout, "\\SETUP_SECTIONS")), (Names{"SCANSYSTEM", "PORTCHECK"}));
}

// --- The scanning rules ------------------------------------------------------

struct ScanRule {
  std::string keyword;
  std::string ignoreKeyword;
  std::string description;
};

// The description of the first rule that fits a folder's full path, as the system
// scan picks it; empty when none fits.
std::string RuleFor(const std::vector<ScanRule>& rules, std::string_view path) {
  for (const ScanRule& rule : rules) {
    if (MatchWildcard(rule.keyword, path) &&
        (Trim(rule.ignoreKeyword).empty() || MatchWildcard(rule.ignoreKeyword, path))) {
      return rule.description;
    }
  }
  return {};
}

TEST(ShippedScanningRules, ShareTheMediaFoldersOfAHomeUnderTheirNames) {
  TConfig file = LoadTreeFile("SharedRules.dat");
  ASSERT_TRUE(file.GoTo("\\SCANNING_RULES"));
  std::vector<ScanRule> rules;
  for (std::size_t i = 0; i < file.FolderCount(); ++i) {
    ASSERT_TRUE(file.EnterFolder(i));
    rules.push_back(
        {file.ReadValue("KEYWORD"), file.ReadValue("IGNORE_KEYWORD"), file.ReadValue("DESCRIPTION")});
    EXPECT_FALSE(Trim(rules.back().keyword).empty()) << "rule " << i << " has no KEYWORD";
    file.GoUp();
  }

  for (const char* folder : {"Music", "Videos", "Pictures", "Downloads", "Documents"}) {
    EXPECT_EQ(RuleFor(rules, std::string("/home/alice/") + folder), folder);
    EXPECT_EQ(RuleFor(rules, std::string("/var/home/bob/") + folder), folder);
  }
  EXPECT_EQ(RuleFor(rules, "/home/alice/music"), "Music") << "letters match in either case";
  for (const char* other :
       {"/home/alice", "/home/alice/Musicals", "/usr/share/Music", "/home/alice/Music/Rock2"}) {
    EXPECT_EQ(RuleFor(rules, other), "") << other;
  }
}

// --- The icons ---------------------------------------------------------------

TEST(ShippedIcons, ListNamesEveryIconTheProgramAsksFor) {
  const std::map<std::string, int> icons = ReadIconList();
  for (const char* name : {"SettingsIcon.bmp",
                           "ExitIcon.bmp",
                           "SearchIcon.bmp",
                           "UploadsIcon.bmp",
                           "DownloadsIcon.bmp",
                           "AddServiceIcon.bmp",
                           "CustomizeServicesIcon.bmp",
                           "HelpIcon.bmp",
                           "AboutIcon.bmp",
                           "StopSearchIcon.bmp",
                           "MusicIcon.bmp",
                           "FileIcon.bmp",
                           "PlayIcon.bmp",
                           "ExecuteIcon.bmp",
                           "PauseIcon.bmp",
                           "ResumeIcon.bmp",
                           "ForceQueueIcon.bmp",
                           "RemoveCompletedIcon.bmp",
                           "OpenFolderIcon.bmp",
                           "UserIcon.bmp",
                           "AllUsersIcon.bmp"}) {
    EXPECT_TRUE(icons.count(name)) << "icons.txt does not make " << name;
  }
}

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i)
    value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return value;
}

std::uint16_t Read16(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

TEST(ShippedIcons, BuildMakesEachAsABitmapOfItsSizeWithTransparency) {
  if (!kIconsBuilt) GTEST_SKIP() << "this configuration does not build the icons";
  const std::map<std::string, int> icons = ReadIconList();
  ASSERT_FALSE(icons.empty());
  for (const auto& [name, size] : icons) {
    const std::string bytes = ReadWholeFile(KEPLINOR_PROGRAM_DIR "/Icons/" + name).value_or("");
    ASSERT_GE(bytes.size(), 54u) << name << " is missing or too short";
    EXPECT_EQ(bytes.substr(0, 2), "BM") << name;
    EXPECT_EQ(Read32(bytes, 2), bytes.size()) << name << ": the size field";
    EXPECT_GE(Read32(bytes, 14), 40u) << name << ": the header size";
    const auto width = static_cast<std::int32_t>(Read32(bytes, 18));
    const auto height = static_cast<std::int32_t>(Read32(bytes, 22));
    EXPECT_EQ(width, size) << name;
    EXPECT_EQ(height < 0 ? -height : height, size) << name;
    EXPECT_EQ(Read16(bytes, 26), 1u) << name << ": planes";
    ASSERT_EQ(Read16(bytes, 28), 32u) << name << ": 32 bits per pixel carry the alpha channel";

    const std::uint32_t pixels = Read32(bytes, 10);
    const std::size_t pixelBytes = static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4;
    ASSERT_LE(pixels + pixelBytes, bytes.size()) << name << ": the pixels do not fit in the file";
    std::size_t clear = 0;
    std::size_t solid = 0;
    for (std::size_t p = 0; p < pixelBytes; p += 4) {
      const auto alpha = static_cast<unsigned char>(bytes[pixels + p + 3]);
      clear += alpha == 0 ? 1 : 0;
      solid += alpha == 255 ? 1 : 0;
    }
    EXPECT_GT(clear, 0u) << name << " lost its transparent background";
    EXPECT_GT(solid, 0u) << name << " shows no picture";
  }
}

}  // namespace
}  // namespace kp
