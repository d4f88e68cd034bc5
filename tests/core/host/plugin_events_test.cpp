#include "core/host/plugin_events.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recorded_lines.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

Strings Records() { return test::RecordedLines(); }

class PluginEventsTest : public ::testing::Test {
 protected:
  void SetUp() override { kp_test_record_clear(); }

  // Loads copies of the recording plugin under the given names, in that order.
  void Load(const Strings& names) {
    std::string list;
    for (const std::string& name : names) {
      std::filesystem::create_directories(temp_ / "Plugins");
      std::filesystem::copy_file(KP_TP_RECORDING_A, temp_ / ("Plugins/" + name));
      list += name + "\n";
    }
    temp_.WriteFile("Plugins/order.fpc", list);
    manager_.ScanPlugins(temp_ / "Plugins");
    ASSERT_EQ(manager_.GetPluginCount(), names.size());
    kp_test_record_clear();
  }

  test::TempFolder temp_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TPluginManager manager_{registry_, {}};
};

TEST_F(PluginEventsTest, BroadcastsReachExportersInLoadOrderAndOnlyWithTheRightSignature) {
  Load({"one.so", "two.so"});
  BroadcastEvent(manager_, EventNumber("OnApplicationStart"));
  BroadcastEvent(manager_, EventNumber("OnSearchClose"), std::int32_t{1});  // nobody exports it
  EXPECT_EQ(Records(), (Strings{"one.so:OnApplicationStart", "two.so:OnApplicationStart"}));

  kp_test_record_clear();
  const std::size_t onMenu = EventNumber("OnApplicationMenu");
  EXPECT_TRUE(SendEvent(*manager_.GetPlugin(1), onMenu, std::uint32_t{77}, std::int32_t{5}));
  EXPECT_FALSE(SendEvent(*manager_.GetPlugin(1), onMenu, std::uint32_t{77})) << "one argument short";
  EXPECT_FALSE(SendEvent(*manager_.GetPlugin(1), onMenu, "text", std::int32_t{5})) << "a text is no handle";
  EXPECT_FALSE(SendEvent(*manager_.GetPlugin(1), api::kEventCount));
  EXPECT_EQ(Records(), (Strings{"two.so:OnApplicationMenu 77 5"}));
}

TEST_F(PluginEventsTest, TheExitQuestionStopsAtTheFirstRefusal) {
  Load({"first.so", "refuse.so", "third.so"});
  EXPECT_FALSE(AskPluginsToExit(manager_));
  EXPECT_EQ(Records(), (Strings{"first.so:OnApplicationExit asked yes", "refuse.so:OnApplicationExit asked yes"}))
      << "the third plugin is not asked";
}

TEST_F(PluginEventsTest, TheExitQuestionIsYesWhenAllAgreeOrNobodyListens) {
  EXPECT_TRUE(AskPluginsToExit(manager_)) << "no plugins";
  Load({"a.so", "b.so"});
  EXPECT_TRUE(AskPluginsToExit(manager_));
  EXPECT_EQ(Records().size(), 2u);
}

}  // namespace
}  // namespace kp
