#include "ui/shell/layout_reader.h"

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/config/global_stores.h"
#include "core/config/shared_routines.h"
#include "core/config/text_basics.h"
#include "core/config/text_conversions.h"
#include "core/config/text_ids.h"
#include "core/config/tree_config.h"
#include "core/host/plugin_holder.h"
#include "ui/shell/command_manager.h"
#include "ui/shell/command_numbers.h"

namespace kp {
namespace {

// The core's own commands that the layout names by keyword in a "Custom" value.
struct TBuiltinCommand {
  std::string_view keyword;
  std::int32_t command;
  TTextId caption;
  std::string_view menuIcon;    // empty: the menu entry has no image
  std::string_view buttonIcon;  // empty: menus only, no button has this keyword
};

constexpr std::string_view kServicesListKeyword = "SERVICES_LIST_COMMAND";

constexpr std::array<TBuiltinCommand, 12> kBuiltinCommands{{
    {"SETTINGS_COMMAND", command::kSettings, text::kSettingsCommand, "SettingsIcon.bmp", "SettingsIcon.bmp"},
    {"EXIT_COMMAND", command::kExit, text::kExitCommand, "ExitIcon.bmp", "ExitIcon.bmp"},
    {"SEARCH_COMMAND", command::kSearch, text::kSearchCommand, "SearchIcon.bmp", "SearchIcon.bmp"},
    {"UPLOADS_COMMAND", command::kUploads, text::kUploadsSection, "", "UploadsIcon.bmp"},
    {"DOWNLOADS_COMMAND", command::kDownloads, text::kDownloadsSection, "", "DownloadsIcon.bmp"},
    {"ADD_SERVICES_COMMAND", command::kAddService, text::kAddServiceCommand, "AddServiceIcon.bmp",
     "AddServiceIcon.bmp"},
    {"CUSTOMIZE_SERVICES_COMMAND", command::kCustomizeServices, text::kCustomizeServicesCommand,
     "CustomizeServicesIcon.bmp", "CustomizeServicesIcon.bmp"},
    {"HELP_COMMAND", command::kHelp, text::kHelpCommand, "HelpIcon.bmp", "HelpIcon.bmp"},
    {"ABOUT_COMMAND", command::kAbout, text::kAboutCommand, "AboutIcon.bmp", "AboutIcon.bmp"},
    {kServicesListKeyword, command::kNothing, text::kServicesSection, "", ""},
    {"HELP_NAVIGATOR_COMMAND", command::kNothing, text::kHelpCommand, "", ""},
    {"KEPLINOR_COMMAND", command::kNothing, text::kProgramMenu, "", ""},
}};

// Menus look keywords up trimmed and upper-cased (the caller prepares the text);
// buttons exactly as written, and only those that have a button icon.
const TBuiltinCommand* FindBuiltin(std::string_view keyword, bool forButton) noexcept {
  for (const TBuiltinCommand& builtin : kBuiltinCommands) {
    if (builtin.keyword == keyword && (!forButton || !builtin.buttonIcon.empty())) return &builtin;
  }
  return nullptr;
}

enum class TSetupPage { ScanSystem, PortCheck };

template <typename Page>
struct TPageName {
  std::string_view name;
  Page page;
};

constexpr std::array<TPageName<TSettingsPage>, 6> kSettingsPageNames{{
    {"UPLOADS", TSettingsPage::Uploads},
    {"SHARED", TSettingsPage::Shared},
    {"DOWNLOADS", TSettingsPage::Downloads},
    {"USERS", TSettingsPage::Users},
    {"SEARCH", TSettingsPage::Search},
    {"ADVANCED", TSettingsPage::Advanced},
}};

constexpr std::array<TPageName<TSetupPage>, 2> kSetupPageNames{{
    {"SCANSYSTEM", TSetupPage::ScanSystem},
    {"PORTCHECK", TSetupPage::PortCheck},
}};

template <typename Page, std::size_t N>
std::optional<Page> FindPage(const std::array<TPageName<Page>, N>& names, std::string_view name) {
  for (const TPageName<Page>& known : names) {
    if (known.name == name) return known.page;
  }
  return std::nullopt;
}

std::optional<TSettingsPage> FindSettingsPage(std::string_view name) {
  return FindPage(kSettingsPageNames, name);
}
std::optional<TSetupPage> FindSetupPage(std::string_view name) { return FindPage(kSetupPageNames, name); }

// The sections the layout may show; the search results are not among them.
std::optional<Section> FindSection(std::string_view name) {
  for (const Section section :
       {Section::MainWeb, Section::Services, Section::Uploads, Section::Shared, Section::Downloads}) {
    if (TSectionPages::LayoutName(section) == name) return section;
  }
  return std::nullopt;
}

// The pages a section list names, in the order of its entries; names compared
// trimmed and upper-cased, unknown names skipped, a page named twice kept at its
// first place. A missing folder names none.
template <typename Find>
auto ListedPages(TConfig& config, std::string_view path, Find find) {
  std::vector<typename std::invoke_result_t<Find, std::string_view>::value_type> pages;
  if (!config.GoTo(path)) return pages;
  for (std::size_t i = 0; i < config.EntryCount(); ++i) {
    config.SelectEntryAt(i);
    const auto page = find(ToUpperAscii(Trim(config.ReadValue("NAME"))));
    if (page && std::find(pages.begin(), pages.end(), *page) == pages.end()) pages.push_back(*page);
  }
  return pages;
}

// The values of a menu entry or button that names its command itself.
struct TGenericCommand {
  std::int32_t command = 0;
  std::string caption;
  std::string iconFile;
  TPluginHolder* plugin = nullptr;
  std::optional<TGuid> destination;  // a plugin GUID that names no loaded plugin yet
};

class TLayoutWalk {
 public:
  TLayoutWalk(TConfig& config, const TLayoutSources& sources, TSimpleConfig& language, TLayoutResult& result)
      : config_(config), sources_(sources), language_(language), result_(result) {}

  // The folder's child folders are the top-level entries, their child folders the
  // sub-entries, to any depth. Walked with an explicit stack, so no nesting in the
  // file can exhaust the program's stack.
  void Menu(std::string_view path, TCommandManager& manager) {
    if (!config_.GoTo(path)) return;
    struct Level {
      std::size_t next;
      std::uint32_t parent;
    };
    std::vector<Level> levels{{0, 0}};
    while (!levels.empty()) {
      Level& level = levels.back();
      if (level.next >= config_.FolderCount()) {
        levels.pop_back();
        if (!levels.empty()) config_.GoUp();
        continue;
      }
      const std::uint32_t parent = level.parent;
      if (!config_.EnterFolder(level.next++)) continue;
      const std::uint32_t added = AddMenuEntry(manager, parent);
      // When nothing was added, the folder's own child folders go under its parent.
      levels.push_back({0, added != 0 ? added : parent});
    }
  }

  void Buttons(std::string_view path, TCommandManager& manager) {
    if (!config_.GoTo(path)) return;
    for (std::size_t i = 0; i < config_.EntryCount(); ++i) {
      config_.SelectEntryAt(i);
      const std::string custom = config_.ReadValue("Custom");
      if (!custom.empty()) {
        if (const TBuiltinCommand* builtin = FindBuiltin(custom, true)) {
          manager.AddButton(builtin->command, nullptr, BuiltinIcon(builtin->buttonIcon), Caption(*builtin));
        }
        continue;
      }
      const TGenericCommand generic = ReadGeneric();
      const std::uint32_t handle =
          manager.AddButton(generic.command, generic.plugin, generic.iconFile, generic.caption);
      if (TButtonHolder* button = manager.FindButton(handle)) button->Destination = generic.destination;
    }
  }

 private:
  // The selected folder's entry under parent; 0 when an unknown keyword adds none.
  std::uint32_t AddMenuEntry(TCommandManager& manager, std::uint32_t parent) {
    const std::string custom = config_.ReadValue("Custom");
    if (!custom.empty()) {
      const TBuiltinCommand* builtin = FindBuiltin(ToUpperAscii(Trim(custom)), false);
      if (!builtin) return 0;
      const std::uint32_t handle = manager.AddMenuEntry(builtin->command, parent, nullptr,
                                                        BuiltinIcon(builtin->menuIcon), Caption(*builtin));
      if (builtin->keyword == kServicesListKeyword) {
        result_.servicesListManager = &manager;
        result_.servicesListMenu = handle;
      }
      return handle;
    }
    const TGenericCommand generic = ReadGeneric();
    const std::uint32_t handle =
        manager.AddMenuEntry(generic.command, parent, generic.plugin, generic.iconFile, generic.caption);
    if (TMenuHolder* entry = manager.FindMenuEntry(handle)) entry->Destination = generic.destination;
    return handle;
  }

  TGenericCommand ReadGeneric() const {
    TGenericCommand generic;
    generic.command = LowThirtyTwoBits(TextToInt64(config_.ReadValue("Command")));
    generic.caption = config_.ReadValue("Text");
    const std::optional<TGuid> guid = GuidFromText(config_.ReadValue("Destination"));
    if (guid && sources_.findPlugin) generic.plugin = sources_.findPlugin(*guid);
    if (!generic.plugin) generic.destination = guid;
    const std::string pluginFolder = generic.plugin ? generic.plugin->Folder() : std::string();
    generic.iconFile = ResolveIconFile(config_.ReadValue("Icon"), pluginFolder, sources_.applicationFolder);
    return generic;
  }

  std::string Caption(const TBuiltinCommand& builtin) const {
    return GetLanguageText(builtin.caption, language_);
  }

  std::string BuiltinIcon(std::string_view icon) const {
    return icon.empty() ? std::string() : ResolveIconFile(icon, {}, sources_.applicationFolder);
  }

  TConfig& config_;
  const TLayoutSources& sources_;
  TSimpleConfig& language_;
  TLayoutResult& result_;
};

}  // namespace

TLayoutResult ReadLayout(const std::string& path, TCommandManager& mainCommands,
                         TCommandManager& popupCommands, ISectionHost& sections,
                         ISettingsPageHost& settingsPages, const TLayoutSources& sources) {
  TLayoutResult result;
  TConfig config;
  try {
    config.LoadFromFile(path);
  } catch (const std::exception&) {
    return result;  // a missing or unreadable file: nothing changes
  }
  result.loaded = true;

  TSimpleConfig& language = sources.language ? *sources.language : LanguageConfig();
  try {
    TLayoutWalk walk(config, sources, language, result);
    walk.Menu("\\MAIN_MENU", mainCommands);
    walk.Menu("\\POPUP_MENU", popupCommands);
    walk.Buttons("\\MAIN_BUTTON_BAR", mainCommands);

    sections.ParkAll();
    for (const Section section : ListedPages(config, "\\SECTIONS", FindSection)) sections.Unpark(section);

    settingsPages.ParkAllSettingsPages();
    for (const TSettingsPage page : ListedPages(config, "\\SETTINGS_SECTIONS", FindSettingsPage)) {
      settingsPages.UnparkSettingsPage(page);
    }

    for (const TSetupPage page : ListedPages(config, "\\SETUP_SECTIONS", FindSetupPage)) {
      (page == TSetupPage::ScanSystem ? result.setupPages.scanSystem : result.setupPages.portCheck) = true;
    }
  } catch (const std::exception&) {
    // The reading ends here; what was built so far stays.
  }
  return result;
}

}  // namespace kp
