// Whole runs without a window, as plugins see them: the same sequence as the
// desktop program's, with the window's steps left out.
#include "core/shell/program_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/config/autostart_entry.h"
#include "core/config/simple_config.h"
#include "core/host/main_loop.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

class ProgramRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kp_test_record_clear();
    std::filesystem::create_directories(temp_ / "Plugins");
  }
  void Install(const char* plugin, const std::string& name) {
    std::filesystem::copy_file(plugin, temp_ / ("Plugins/" + name));
  }
  std::int32_t Call(std::string_view function) {
    return registry_.Call(*ApiFunctionIndex(function), TMessagePacket{});
  }

  test::TempFolder temp_;
  TSimpleConfig settings_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry registry_{dispatcher_};
  TMainLoop loop_{queue_};
};

TEST_F(ProgramRunTest, AHeadlessRunSendsTheStartAndEndEventsWhereTheDesktopDoes) {
  Install(KP_TP_RECORDING_A, "rec.so");
  Install(KP_TP_END_ONLY, "end.so");
  temp_.WriteFile("Plugins/order.fpc", "rec.so\nend.so\n");
  {
    TProgramRun run(temp_.Path(), settings_, registry_, [this] { loop_.ProcessPendingMessages(); });
    ASSERT_TRUE(run.Start(nullptr));
    EXPECT_TRUE(run.ApplicationStarted());
    run.Finish();
  }
  const Strings records = test::RecordedLinesWithoutAddresses();
  // The desktop's order (DesktopProgramTest.AWholeRunInTheOrderPluginsSeeIt)
  // without the window's show and exit question.
  const Strings expected = {"rec.so:startup",
                            "rec.so:folder=" + temp_.Path() + "Plugins/",
                            "rec.so:bound",
                            "rec.so:OnApplicationStart",
                            "rec.so:OnApplicationEnd settings written",
                            "end_only:OnApplicationEnd",
                            "rec.so:shutdown",
                            "end_only:shutdown"};
  EXPECT_EQ(records, expected);
}

// The firewall status is the setting's; without one no check has run.
TEST_F(ProgramRunTest, TheFirewallStatusIsTheSettingsOrNotChecked) {
  for (const auto& [file, status] :
       std::vector<std::pair<std::string, std::int32_t>>{{"[Application]\nFirewallStatus = \"3\"\n", 3},
                                                         {"[Application]\nFirewallStatus = \"1\"\n", 1},
                                                         {"[Application]\nFirewallStatus = \"0\"\n", 0},
                                                         {"[Application]\nName = \"Keplinor\"\n", 3}}) {
    TSimpleConfig store;
    temp_.WriteFile("Application4.cfg", file);
    ASSERT_TRUE(store.LoadFromFile(temp_ / "Application4.cfg"));
    TProgramRun run(temp_.Path(), store, registry_, {});
    EXPECT_EQ(Call("ApplicationGetFirewallStatus"), 0) << "nothing is known before the settings are loaded";
    ASSERT_TRUE(run.Start(nullptr));
    EXPECT_EQ(Call("ApplicationGetFirewallStatus"), status) << file;
  }
  EXPECT_EQ(Call("ApplicationGetFirewallStatus"), 0) << "the function goes with the run";
}

// The log-on entry follows the setting at every start, with the program's path.
TEST_F(ProgramRunTest, StartUpKeepsTheLogOnEntryInStepWithItsSetting) {
  const std::string configHome = temp_ / "config";
  const std::string entry = configHome + "/autostart/" + std::string(kAutostartEntryFileName);
  for (const bool wanted : {true, false}) {
    TSimpleConfig store;
    temp_.WriteFile("Application4.cfg", std::string("[Advanced]\nLaunchAtSystemStartup = \"") +
                                            (wanted ? "TRUE" : "FALSE") + "\"\n");
    ASSERT_TRUE(store.LoadFromFile(temp_ / "Application4.cfg"));
    TProgramRun run(temp_.Path(), store, registry_, {});
    run.SetAutostartPlaces(configHome, "/opt/keplinor/keplinor");
    ASSERT_TRUE(run.Start(nullptr));
    EXPECT_EQ(std::filesystem::exists(entry), wanted);
  }
}

}  // namespace
}  // namespace kp
