#pragma once
// The Application functions of the plugin API: plugins put entries into the
// main menu and the tray menu, buttons on the button bar, whole tabs that show a
// window of theirs, and notification icons; and they switch sections, hide, show
// and exit the window. Every handle a plugin passes is looked up in the list it
// belongs to; an unknown one does nothing and answers 0.

#include <cstdint>
#include <string>
#include <vector>

#include "core/host/api_registry.h"
#include "ui/host/plugin_tab_hosts.h"

namespace kp {

class TCommandManager;
class TMainForm;
class TNotificationIcons;
class TPluginPanel;

class TApplicationApi {
 public:
  TApplicationApi(TApiRegistry& registry, TMainForm& mainForm, TCommandManager& mainCommands,
                  TCommandManager& popupCommands, TNotificationIcons& notificationIcons, std::string programFolder);
  TApplicationApi(const TApplicationApi&) = delete;
  TApplicationApi& operator=(const TApplicationApi&) = delete;
  // Destroys every tab left, then withdraws the functions (they answer 0 again).
  ~TApplicationApi() = default;

  // Before the plugins stop: every tab hands its plugin's window back.
  void GiveBackWindows();

 private:
  void Register();

  // The functions implemented here; withdrawn when this goes.
  TApiRegistry::TScope registry_;
  TMainForm& mainForm_;
  TCommandManager& mainCommands_;
  TCommandManager& popupCommands_;
  TNotificationIcons& notificationIcons_;
  std::string programFolder_;
  TPluginTabHosts tabs_;  // after the functions: gone before they are withdrawn
};

}  // namespace kp
