#pragma once
// The entry that starts the program when the user logs on: an XDG autostart
// desktop entry, <config home>/autostart/KP-APPLICATION-4.0.desktop, present
// exactly while the setting LaunchAtSystemStartup is on.

#include <string>
#include <string_view>

#include "core/config/settings.h"

namespace kp {

inline constexpr std::string_view kAutostartEntryFileName = "KP-APPLICATION-4.0.desktop";

// The user's configuration folder from the two environment values: XDG_CONFIG_HOME
// when it is an absolute path (the base directory rules ignore a relative one),
// else HOME followed by "/.config"; empty when neither is usable. Either may be null.
[[nodiscard]] std::string ConfigHomeFrom(const char* xdgConfigHome, const char* home);
// ConfigHomeFrom with this process's environment.
[[nodiscard]] std::string DefaultConfigHome();
// The user's data folder the same way: XDG_DATA_HOME, else HOME + "/.local/share".
[[nodiscard]] std::string DataHomeFrom(const char* xdgDataHome, const char* home);
[[nodiscard]] std::string DefaultDataHome();

// The Exec value that runs exactly this program file and nothing else: the path
// in double quotes when it holds a blank or another character the desktop's
// command-line rules reserve, "%" doubled, and the value escapes of desktop entry
// texts applied on top.
[[nodiscard]] std::string DesktopExecValue(std::string_view executablePath);

// The whole desktop entry. An application name that is blank falls back to the
// executable's file name, since an entry without a name is invalid.
[[nodiscard]] std::string AutostartEntryText(std::string_view applicationName,
                                             std::string_view executablePath);

// Writes the entry (atomically, creating the autostart folder) when
// LaunchAtSystemStartup is on, with the executable's full path; removes it when it
// is off. True when the entry is as wanted afterwards; callers may ignore
// failures, as the settings dialog does. An empty config home or, when the entry
// is wanted, an empty executable path does nothing and gives false.
bool UpdateAutostartEntry(const TSettings& settings, const std::string& executablePath,
                          const std::string& configHome);

}  // namespace kp
