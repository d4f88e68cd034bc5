#pragma once
// The core's services as plugins meet them: a registry with its plugin API and
// wizard model, and copies of the services test plugin loaded from a temporary
// program folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "recorded_lines.h"
#include "core/services/service_api.h"
#include "core/services/service_registry.h"
#include "core/services/service_wizard.h"
#include "support/service_plugin.h"
#include "support/temp_folder.h"

namespace kp::test {

class ServicePluginsTest : public ::testing::Test {
 protected:
  using Strings = std::vector<std::string>;

  ServicePluginsTest() {
    kp_test_record_clear();
    serviceApi_.SetWizard(&wizard_);
  }

  // A copy of a built plugin under the program folder, loaded and bound.
  TServicePlugin Load(const char* built, const std::string& name) {
    const std::filesystem::path target = temp_ / ("Plugins/" + name);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(built, target);
    EXPECT_TRUE(plugins_.LoadPlugin(target.string()));
    TPluginHolder& plugin = *plugins_.GetPlugin(plugins_.GetPluginCount() - 1);
    plugins_.BindPlugin(plugin);
    return TServicePlugin(plugin);
  }

  static std::string H(std::uint32_t handle) { return std::to_string(handle); }
  static Strings Events() { return RecordedLines(); }
  // The log without the record dumps that the plugin adds to its select events.
  static Strings EventsWithoutRecords() {
    Strings events;
    for (const std::string& line : RecordedLines()) {
      if (line.find(":record ") == std::string::npos) events.push_back(line);
    }
    return events;
  }

  TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TServiceRegistry services_{temp_.Path()};
  // Before the API and the plugins: it outlives every call that can reach it.
  TServiceWizard wizard_{services_};
  TServiceApi serviceApi_{api_, services_};
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
};

}  // namespace kp::test
