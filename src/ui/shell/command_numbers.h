#pragma once
// The numbers of the core's own commands and what each one does. Menu entries and
// buttons without an owning plugin carry these numbers; the main window carries
// them out when such an entry is chosen. The layout file names most of them by
// keyword (see layout_reader.cpp); 111 has no keyword and is written as a number.

#include <array>
#include <cstdint>
#include <string_view>

namespace kp {

namespace command {
inline constexpr std::int32_t kNothing = 0;  // headings; choosing one does nothing
inline constexpr std::int32_t kSettings = 101;
inline constexpr std::int32_t kExit = 102;
inline constexpr std::int32_t kSearch = 103;
inline constexpr std::int32_t kUploads = 104;
inline constexpr std::int32_t kDownloads = 105;
inline constexpr std::int32_t kAddService = 106;
inline constexpr std::int32_t kCustomizeServices = 107;
inline constexpr std::int32_t kHelp = 108;
inline constexpr std::int32_t kAbout = 110;
inline constexpr std::int32_t kToggleWindow = 111;
}  // namespace command

// What the main window does for a command of an entry or button that no plugin owns.
enum class TCoreAction {
  OpenSettings,        // the settings dialog
  Exit,                // ask the plugins, then close the main window
  ShowSearchRequest,   // the search request dialog
  ActivateUploads,     // the uploads section becomes the active tab
  ActivateDownloads,   // the downloads section becomes the active tab
  OpenServiceWizard,   // the service wizard
  OpenServicesDialog,  // the services dialog
  OpenHelp,            // ShellOpen of the setting HelpURL
  ShowAbout,           // the About dialog
  ToggleMainWindow,    // hide the main window when it is visible, else show it
  // Every other number: when it is the handle of a service (the entries under the
  // services heading carry their service as command), the services section becomes
  // active and that service is made the active one; otherwise nothing.
  SelectService,
};

struct TCoreCommand {
  std::int32_t number;
  TCoreAction action;
};

inline constexpr std::array<TCoreCommand, 10> kCoreCommands{{
    {command::kSettings, TCoreAction::OpenSettings},
    {command::kExit, TCoreAction::Exit},
    {command::kSearch, TCoreAction::ShowSearchRequest},
    {command::kUploads, TCoreAction::ActivateUploads},
    {command::kDownloads, TCoreAction::ActivateDownloads},
    {command::kAddService, TCoreAction::OpenServiceWizard},
    {command::kCustomizeServices, TCoreAction::OpenServicesDialog},
    {command::kHelp, TCoreAction::OpenHelp},
    {command::kAbout, TCoreAction::ShowAbout},
    {command::kToggleWindow, TCoreAction::ToggleMainWindow},
}};

[[nodiscard]] constexpr TCoreAction CoreActionOf(std::int32_t number) noexcept {
  for (const TCoreCommand& entry : kCoreCommands) {
    if (entry.number == number) return entry.action;
  }
  return TCoreAction::SelectService;
}

}  // namespace kp
