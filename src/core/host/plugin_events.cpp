#include "core/host/plugin_events.h"

namespace kp {

bool AskPluginsToExit(const TPluginManager& plugins) {
  constexpr std::size_t onExit = EventNumber("OnApplicationExit");
  std::uint8_t answer = 1;
  for (std::size_t i = 0; i < plugins.GetPluginCount() && answer != 0; ++i) {
    SendEvent(*plugins.GetPlugin(i), onExit, &answer);
  }
  return answer != 0;
}

}  // namespace kp
