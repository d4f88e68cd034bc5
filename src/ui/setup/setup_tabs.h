#pragma once
// The Setup API's tab functions: plugins add pages of their own to the
// settings dialog, after its built-in ones, each a host that shows one plugin
// window. Every handle a plugin passes is looked up in the list; an unknown one
// does nothing.

#include <cstdint>
#include <vector>

#include "core/host/api_registry.h"
#include "ui/host/plugin_tab_hosts.h"

namespace kp {

class TSettingsDialog;

class TSetupTabs {
 public:
  TSetupTabs(TApiRegistry& registry, TSettingsDialog& dialog);
  TSetupTabs(const TSetupTabs&) = delete;
  TSetupTabs& operator=(const TSetupTabs&) = delete;
  // Destroys every host left, then withdraws the functions (they answer 0 again).
  ~TSetupTabs() = default;

  // Before the plugins stop: every host hands its plugin's window back.
  void GiveBackWindows();

 private:
  void Register();

  TApiRegistry::TScope registry_;
  TSettingsDialog& dialog_;
  TPluginTabHosts tabs_;  // after the functions: gone before they are withdrawn
};

}  // namespace kp
