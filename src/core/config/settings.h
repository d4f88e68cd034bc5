#pragma once
// The program's settings as typed working values, one struct per section of the
// settings file. They are read from the settings store once, when the main window
// is created, changed by the settings dialog, the setup wizard and the main window
// while the program runs, and written back into the store once, at shutdown, just
// before the file is saved.
//
// There are no built-in defaults: a key the store lacks reads as empty text, 0 or
// false, so the settings file shipped with the program supplies the initial values.
// Numbers are 32-bit and nothing clamps them to a range.
//
// Which key of which section feeds which value, and in which order the keys are
// written, is one table (settings_table.h) served by one loader and one saver.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/config/simple_config.h"

namespace kp {

// A comma list of wildcard patterns as the user typed it, kept split.
class TPatternList {
 public:
  TPatternList() = default;
  explicit TPatternList(std::string_view text) { Assign(text); }

  // Takes a new text and splits it at once, so the text and its patterns never
  // disagree.
  void Assign(std::string_view text);

  // The text as typed; this is what the settings file holds.
  [[nodiscard]] const std::string& Text() const noexcept { return text_; }
  // The trimmed pieces between the commas. Blank pieces ("*.txt,,*.jpg" or a
  // blank after the last comma) are left out: an empty pattern matches every
  // file name, which would make every file "safe to execute" or hide every result.
  [[nodiscard]] const std::vector<std::string>& Patterns() const noexcept { return patterns_; }

  bool operator==(const TPatternList&) const = default;

 private:
  std::string text_;
  std::vector<std::string> patterns_;
};

// The port-check protocol's port, used when PortCheckPort holds no valid port.
inline constexpr std::int32_t kDefaultPortCheckPort = 8890;

struct TApplicationSettings {
  // Branding: read from the shipped file and never written back, so the store
  // keeps whatever that file holds.
  std::string Name;             // display name; also names the shared download folder
  std::string LargeOnlineIcon;  // the four icons: file names resolved against the
  std::string SmallOnlineIcon;  // program folder (and its Icons/ folder) on load
  std::string LargeOfflineIcon;
  std::string SmallOfflineIcon;
  std::string HomePageURL;         // shown by the web start section
  std::string HelpURL;             // opened by the help command
  std::string HelpEmail;           // shown in the About dialog
  std::string PortCheckServer;     // host name or address of the maker's port-check server
  std::int32_t PortCheckPort = 0;  // its TCP port; see EffectivePortCheckPort
  std::string AdvertisingServer;   // host of the advertisement server, optionally "host:port"

  // State, written back at shutdown.
  std::int32_t FirewallStatus = 0;  // last port-check outcome: 0 open, 1 closed, 3 not checked
  bool SetupComplete = false;       // the first-run setup wizard has been finished

  bool operator==(const TApplicationSettings&) const = default;
};

struct TSharedItemsSettings {
  std::string ScanExtensions;      // file types the system scan looks for
  TPatternList ExecuteExtensions;  // files that may be opened from the transfer and shared lists

  bool operator==(const TSharedItemsSettings&) const = default;
};

struct TSearchingSettings {
  bool LimitResults = false;
  std::int32_t MaximumResults = 0;  // a result is added only while a tab holds fewer
  bool LimitResultTabs = false;
  std::int32_t MaximumResultTabs = 0;
  bool LimitExtensions = false;   // stored and shown; the result filter does not consult it
  TPatternList FilterExtensions;  // results whose file name matches one of these are not added
  bool GroupResults = false;
  bool KeepHistory = false;
  std::int32_t MaximumHistory = 0;
  bool RememberLastRequest = false;  // the search form keeps its fields between requests

  bool operator==(const TSearchingSettings&) const = default;
};

struct TUploadSettings {
  bool Limit = false;
  std::int32_t Maximum = 0;
  bool LimitPerUser = false;
  std::int32_t MaximumPerUser = 0;
  bool LimitQueues = false;
  std::int32_t MaximumQueues = 0;
  bool LimitQueuesPerUser = false;
  std::int32_t MaximumQueuesPerUser = 0;
  bool LimitBandwidth = false;
  std::int32_t MaximumBandwidth = 0;  // bytes per second
  bool ClearComplete = false;
  bool ClearFailed = false;
  std::int32_t Timeout = 0;  // seconds
  bool ShowStatus = false;   // the main window sets it from the status panel before saving

  bool operator==(const TUploadSettings&) const = default;
};

struct TDownloadSettings {
  bool Limit = false;
  std::int32_t Maximum = 0;
  bool LimitPerUser = false;
  std::int32_t MaximumPerUser = 0;
  bool LimitBandwidth = false;
  std::int32_t MaximumBandwidth = 0;  // bytes per second
  bool ClearComplete = false;
  bool ClearFailed = false;
  std::int32_t Timeout = 0;     // seconds
  std::string TempFolder;       // where incomplete downloads are written
  std::string CompletedFolder;  // where completed downloads go; shared automatically
  bool ShowStatus = false;      // the main window sets it from the status panel before saving

  bool operator==(const TDownloadSettings&) const = default;
};

struct TAdvancedSettings {
  bool LaunchAtSystemStartup = false;
  bool MinimizeAtStartup = false;
  bool MinimizeOnCloseButton = false;
  bool RememberLocation = false;  // restore the window rectangle at start
  // The main window's rectangle: always loaded and always saved; start-up uses it
  // only when RememberLocation is true.
  std::int32_t WindowTop = 0;
  std::int32_t WindowLeft = 0;
  std::int32_t WindowHeight = 0;
  std::int32_t WindowWidth = 0;
  // The window was maximised; the rectangle above is then the one it returns to.
  // Restored with the rectangle.
  bool WindowMaximized = false;
  // The section that was active (its 1-based number: 1 start page ... 6 search
  // results; 0 a plugin's tab). Restored whether or not the rectangle is.
  std::int32_t ActiveSection = 0;

  bool operator==(const TAdvancedSettings&) const = default;
};

struct TSettings {
  TApplicationSettings Application;
  TSharedItemsSettings SharedItems;
  TSearchingSettings Searching;
  TUploadSettings Uploads;
  TDownloadSettings Downloads;
  TAdvancedSettings Advanced;

  bool operator==(const TSettings&) const = default;
};

// The port to reach the port-check server on: PortCheckPort when it is a valid TCP
// port, otherwise the protocol's port 8890.
[[nodiscard]] std::uint16_t EffectivePortCheckPort(const TApplicationSettings& application) noexcept;

// Told of loaded settings. The search request form implements it; every method
// may be left to do nothing.
class ISettingsObserver {
 public:
  virtual ~ISettingsObserver() = default;
  // The Searching values have been loaded: the search request form applies them
  // (trims its history and clears its fields as they say).
  virtual void SearchingSettingsLoaded(const TSearchingSettings& searching) = 0;
};

// Reads every key from the store, section by section (SharedItems, Application,
// Searching, Uploads, Downloads, Advanced), resolving the four icon names against
// the program folder, then tells the observer, when there is one. The store's
// selected section changes; nothing else in it does.
[[nodiscard]] TSettings LoadSettings(TSimpleConfig& store, std::string_view applicationFolder,
                                     ISettingsObserver* observer = nullptr);

// Writes the working values back into the store in the save order, so a store
// that was empty gets its sections in the order SharedItems, Searching, Uploads,
// Downloads, Advanced, Application. The branding keys and every key the table does
// not know stay as they are.
void SaveSettings(const TSettings& settings, TSimpleConfig& store);

}  // namespace kp
