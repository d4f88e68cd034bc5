#pragma once
// Reads "Layout.cfg", which decides what the main window shows: the entries of the
// main menu and the tray menu, the buttons of the main bar, which built-in section
// tabs appear and in which order, which pages the settings dialog has, and which
// optional pages the setup wizard offers. The file is read once at start-up and
// never written.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/host/guid.h"
#include "ui/shell/section_pages.h"

namespace kp {

class TCommandManager;
class TPluginHolder;
class TSimpleConfig;

inline constexpr std::string_view kLayoutFileName = "Layout.cfg";

// The built-in pages of the settings dialog.
enum class TSettingsPage { Uploads, Shared, Downloads, Users, Search, Advanced };

// The main window's section tabs, as the layout arranges them (TSectionPages has
// these two operations).
class ISectionHost {
 public:
  virtual ~ISectionHost() = default;
  // Moves all six built-in section pages out of the tabs into the hidden parking place.
  virtual void ParkAll() = 0;
  // Moves a parked page back in as the last built-in tab. Called at most once per
  // section, never for the search results (they come and go with the searches).
  virtual void Unpark(Section section) = 0;
};

// The settings dialog's built-in pages, chosen the same way. The names differ from
// ISectionHost's so that one object may implement both.
class ISettingsPageHost {
 public:
  virtual ~ISettingsPageHost() = default;
  virtual void ParkAllSettingsPages() = 0;
  // Called at most once per page.
  virtual void UnparkSettingsPage(TSettingsPage page) = 0;
};

// The optional pages of the setup wizard; off unless the layout lists them.
struct TSetupPages {
  bool scanSystem = false;  // the page that scans the disks for files to share
  bool portCheck = false;   // the port check
};

struct TLayoutSources {
  // The program folder, where the built-in icons are looked for (under "Icons/").
  std::string applicationFolder;
  // The language file whose "Main" section gives the built-in captions; null for
  // the program's language store. Reading a caption selects that section.
  TSimpleConfig* language = nullptr;
  // Finds a loaded plugin by GUID, for "Destination"; may be empty. The layout is
  // read before the plugins load, so at start-up it finds nothing: the GUID is then
  // kept on the entry or button (TMenuHolder::Destination) and looked up again,
  // through the manager's PluginLookup, when the entry is first chosen. Its icon
  // stays the one found without the plugin's folder.
  std::function<TPluginHolder*(const TGuid&)> findPlugin;
};

struct TLayoutResult {
  bool loaded = false;  // false: the file could not be read, nothing was changed
  // The entry under which the services are listed, and the manager that holds it;
  // none until the layout adds a SERVICES_LIST_COMMAND entry (the last one wins).
  TCommandManager* servicesListManager = nullptr;
  std::uint32_t servicesListMenu = 0;
  TSetupPages setupPages;
};

// Reads the layout file into the two menus' managers (the main one also gets the
// bar's buttons) and the two hosts. A file that cannot be read changes nothing: the
// menus and bar stay empty and nothing is parked. A failure while reading ends the
// reading at that point; what was built so far stays and nothing is reported.
TLayoutResult ReadLayout(const std::string& path, TCommandManager& mainCommands,
                         TCommandManager& popupCommands, ISectionHost& sections,
                         ISettingsPageHost& settingsPages, const TLayoutSources& sources);

}  // namespace kp
