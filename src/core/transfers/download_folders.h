#pragma once
// The rule that keeps the two download folders usable. It runs after the settings
// are loaded at start-up and after every accepted settings dialog: a TempFolder or
// CompletedFolder that names no existing folder is replaced by "Temp" or
// "Downloads" in the program folder, which is created. The completed folder is
// then handed to the sharing code, which shares it under the virtual name
// CompletedFolderShareName.

#include <functional>
#include <string>
#include <string_view>

#include "core/config/settings.h"

namespace kp {

inline constexpr std::string_view kDefaultTempFolderName = "Temp";
inline constexpr std::string_view kDefaultCompletedFolderName = "Downloads";

// The completed-downloads folder as the sharing code publishes it.
struct TCompletedFolderShare {
  std::string VirtualName;  // a top-level shared folder of this name ...
  std::string RealPath;     // ... that shows this folder, subfolders included
};

// Sharing hook: called once per run of the rule with the completed folder. The
// sharing code adds the top-level shared folder, or, when one of that name exists,
// moves its real path to the folder (in the share tree, the shared items and the
// settings dialog's copy of them). An empty hook shares nothing.
using TShareCompletedFolder = std::function<void(const TCompletedFolderShare&)>;

struct TDownloadFolderChanges {
  bool TempFolderReplaced = false;
  bool CompletedFolderReplaced = false;
};

// The virtual name of the shared completed folder: the application's Name and
// " Downloads", trimmed (so a blank Name gives "Downloads", not " Downloads").
[[nodiscard]] std::string CompletedFolderShareName(const TSettings& settings);

// Applies the rule to settings.Downloads and then calls the hook. A folder that
// cannot be created leaves the setting at the default path all the same; nothing
// is reported. The settings dialog shows the new values from the settings.
TDownloadFolderChanges EnsureDownloadFolders(TSettings& settings, std::string_view applicationFolder,
                                             const TShareCompletedFolder& shareCompletedFolder = {});

}  // namespace kp
