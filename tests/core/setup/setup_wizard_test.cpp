// The setup wizard's rules without its window, as participating plugins see
// them: the agreement, the network check, the moves between plugins' pages,
// validation, the page statuses, and what Finish and Cancel leave behind.
#include "core/setup/setup_wizard.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/config/settings.h"
#include "core/config/simple_config.h"
#include "core/host/main_loop.h"
#include "core/host/plugin_manager.h"
#include "core/platform/shell_services.h"
#include "core/setup/setup_api.h"
#include "core/sharing/share_manager.h"
#include "recorded_lines.h"
#include "support/temp_folder.h"
#include "support/waiting.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;

class RecordingView final : public ISetupWizardView {
 public:
  Strings calls;
  void ShowPage(TSetupPage page) override {
    calls.push_back("page " + std::to_string(static_cast<int>(page)));
  }
  void HostWindow(std::uint32_t window) override { calls.push_back("host " + std::to_string(window)); }
  void StateChanged() override {}
  void CloseWizard(bool completed) override { calls.push_back(completed ? "closed finished" : "closed"); }
};

// The setup test plugin as the tests drive it.
class TSetupPlugin {
 public:
  explicit TSetupPlugin(const TPluginHolder& plugin) : module_(plugin.Module) {}
  void StartWizard() const { Find<std::int32_t (*)()>("tsp_start_wizard")(); }
  void ShowPanel(std::uint32_t window, std::int32_t status) const {
    Find<std::int32_t (*)(std::uint32_t, std::int32_t)>("tsp_show_panel")(window, status);
  }
  // The status the plugin answers with when the wizard enters its pages.
  void AnswerEntryWith(std::int32_t status, std::uint32_t window) const {
    Variable<std::int32_t>("tsp_enter_status") = status;
    Variable<std::uint32_t>("tsp_window") = window;
  }
  void Validate(bool allow) const { Variable<std::int32_t>("tsp_validate_answer") = allow ? 1 : 0; }

 private:
  template <typename Function>
  Function Find(const char* name) const {
    return reinterpret_cast<Function>(::dlsym(module_, name));
  }
  template <typename T>
  T& Variable(const char* name) const {
    return *static_cast<T*>(::dlsym(module_, name));
  }
  void* module_;
};

class SetupWizardTest : public ::testing::Test {
 protected:
  SetupWizardTest() {
    kp_test_record_clear();
    HeadlessShell().PrintMessages = false;
    HeadlessShell().Forget();
    language_.LoadFromText("[SetupWizard]\n00009 = \"You must agree.\"\n");
    wizard_.SetView(&view_);
  }
  ~SetupWizardTest() override {
    wizard_.SetView(nullptr);
    HeadlessShell().PrintMessages = true;
  }

  TSetupPlugin Load(const std::string& name) {
    const std::filesystem::path target = temp_ / ("Plugins/" + name);
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(KP_TP_SETUP, target);
    EXPECT_TRUE(plugins_.LoadPlugin(target.string()));
    TPluginHolder& plugin = *plugins_.GetPlugin(plugins_.GetPluginCount() - 1);
    plugins_.BindPlugin(plugin);
    return TSetupPlugin(plugin);
  }

  // The first start up to the plugin pages, with the agreement accepted.
  void AcceptAgreement() {
    ASSERT_TRUE(wizard_.Open());
    wizard_.SetAgreed(true);
    wizard_.Next();
  }

  static Strings Events() { return test::RecordedLinesWithoutAddresses(); }

  test::TempFolder temp_;
  TSettings settings_;
  TSimpleConfig language_;
  TMainThreadQueue queue_;
  TDispatcher dispatcher_{queue_};
  TApiRegistry api_{dispatcher_};
  TMainLoop loop_{queue_};
  TShareManager shares_{&queue_};
  RecordingView view_;
  TSetupWizard wizard_{TSetupWizardContext{settings_, &language_, shares_, nullptr, {}}};
  TSetupApi setupApi_{api_, wizard_};
  TPluginManager plugins_{api_, [this] { loop_.ProcessPendingMessages(); }};
};

TEST_F(SetupWizardTest, NoOnTheAgreementShowsTheMessageAndStays) {
  ASSERT_TRUE(wizard_.Open());
  EXPECT_FALSE(wizard_.Agreed()) << "No is chosen at first";
  wizard_.Next();
  EXPECT_EQ(HeadlessShell().Messages(), Strings{"You must agree."});
  EXPECT_EQ(wizard_.Page(), TSetupPage::Agreement);
  EXPECT_TRUE(wizard_.IsOpen());
  EXPECT_FALSE(settings_.Application.SetupComplete);
}

TEST_F(SetupWizardTest, WithoutBuiltInPagesOrParticipantsAcceptingFinishes) {
  settings_.Application.FirewallStatus = 0;
  AcceptAgreement();
  EXPECT_EQ(settings_.Application.FirewallStatus, 3);
  EXPECT_TRUE(settings_.Application.SetupComplete);
  EXPECT_FALSE(wizard_.IsOpen());
  EXPECT_EQ(view_.calls.back(), "closed finished");
}

// The network page: a port-check server that is not named is not contacted
// and gives "not checked"; one that refuses the connection gives "failed".
struct NetworkCase {
  const char* name;
  const char* server;
  std::int32_t firewallStatus;
  TSetupPage pageAfter;
};

class SetupNetworkCheckTest : public SetupWizardTest, public ::testing::WithParamInterface<NetworkCase> {};

TEST_P(SetupNetworkCheckTest, SetsTheFirewallStatus) {
  wizard_.EnablePages(false, true);
  settings_.Application.PortCheckServer = GetParam().server;
  settings_.Application.FirewallStatus = 0;
  AcceptAgreement();
  EXPECT_EQ(settings_.Application.FirewallStatus, GetParam().firewallStatus);
  EXPECT_EQ(wizard_.PortCheckNotConfigured(), GetParam().pageAfter == TSetupPage::NetworkCheck);
  if (GetParam().pageAfter == TSetupPage::NetworkCheck) {
    EXPECT_EQ(wizard_.Page(), TSetupPage::NetworkCheck) << "the page says why and waits";
    EXPECT_TRUE(wizard_.NextEnabled());
    wizard_.Next();
  }
  EXPECT_TRUE(settings_.Application.SetupComplete);
}

INSTANTIATE_TEST_SUITE_P(Servers, SetupNetworkCheckTest,
                         ::testing::Values(NetworkCase{"NotNamed", "", 3, TSetupPage::NetworkCheck},
                                           NetworkCase{"Refusing", "127.0.0.1:1", 1,
                                                       TSetupPage::PluginPages}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(SetupWizardTest, TwoParticipantsWithOnePageEach) {
  const TSetupPlugin a = Load("a.so");
  const TSetupPlugin b = Load("b.so");
  a.StartWizard();
  b.StartWizard();
  a.AnswerEntryWith(setup_status::kOnlyPage, 11);
  b.AnswerEntryWith(setup_status::kOnlyPage, 22);
  AcceptAgreement();
  EXPECT_EQ(Events(), (Strings{"a.so:change 8"}));
  EXPECT_FALSE(wizard_.NextIsFinish()) << "another participant follows";
  EXPECT_TRUE(wizard_.BackEnabled());

  kp_test_record_clear();
  wizard_.Next();
  EXPECT_EQ(Events(), (Strings{"a.so:validate", "b.so:change 8"}));
  EXPECT_TRUE(wizard_.NextIsFinish());
  EXPECT_EQ(view_.calls.back(), "host 22");

  kp_test_record_clear();
  wizard_.Back();
  EXPECT_EQ(Events(), (Strings{"b.so:validate", "a.so:change 9"}));
  EXPECT_EQ(view_.calls.back(), "host 11");

  wizard_.Next();
  kp_test_record_clear();
  wizard_.Next();
  EXPECT_EQ(Events(), (Strings{"b.so:validate", "a.so:complete", "b.so:complete"}));
  EXPECT_TRUE(settings_.Application.SetupComplete);
  EXPECT_EQ(std::count(view_.calls.begin(), view_.calls.end(), "closed finished"), 1);
}

TEST_F(SetupWizardTest, ARefusedValidationKeepsThePageForNextAndBack) {
  const TSetupPlugin a = Load("a.so");
  a.StartWizard();
  a.AnswerEntryWith(setup_status::kMiddlePage, 11);
  AcceptAgreement();
  a.Validate(false);
  kp_test_record_clear();
  wizard_.Next();
  wizard_.Back();
  EXPECT_EQ(Events(), (Strings{"a.so:validate", "a.so:validate"})) << "no move was announced";
  EXPECT_EQ(wizard_.Page(), TSetupPage::PluginPages);
  EXPECT_FALSE(settings_.Application.SetupComplete);

  a.Validate(true);
  kp_test_record_clear();
  wizard_.Next();
  wizard_.Back();
  EXPECT_EQ(Events(), (Strings{"a.so:validate", "a.so:change 6", "a.so:validate", "a.so:change 7"}));
}

TEST_F(SetupWizardTest, BusyThenAMiddlePageGivesNextBack) {
  const TSetupPlugin a = Load("a.so");
  a.StartWizard();
  AcceptAgreement();
  a.ShowPanel(11, setup_status::kBusy);
  EXPECT_FALSE(wizard_.NextEnabled());
  EXPECT_FALSE(wizard_.BackEnabled());
  EXPECT_NE(view_.calls.back(), "host 11") << "a busy status does not take the window";
  a.ShowPanel(11, setup_status::kMiddlePage);
  EXPECT_TRUE(wizard_.NextEnabled());
  EXPECT_TRUE(wizard_.BackEnabled());
  EXPECT_EQ(view_.calls.back(), "host 11");
}

TEST_F(SetupWizardTest, APanelFromAPluginWhoseTurnItIsNotIsIgnored) {
  const TSetupPlugin a = Load("a.so");
  const TSetupPlugin b = Load("b.so");
  a.StartWizard();
  b.StartWizard();
  AcceptAgreement();
  b.ShowPanel(22, setup_status::kOnlyPage);
  EXPECT_FALSE(wizard_.NextIsFinish());
  EXPECT_NE(view_.calls.back(), "host 22");
}

TEST_F(SetupWizardTest, StartingTwiceListsThePluginOnce) {
  const TSetupPlugin a = Load("a.so");
  a.StartWizard();
  a.StartWizard();
  EXPECT_EQ(wizard_.Participants().size(), 1u);
  EXPECT_TRUE(wizard_.Requested());
  EXPECT_TRUE(wizard_.PluginPagesOnly());
}

TEST_F(SetupWizardTest, AfterTheFirstStartOnlyARequestShowsThePluginPages) {
  settings_.Application.SetupComplete = true;
  EXPECT_FALSE(wizard_.Open()) << "nobody asked";
  const TSetupPlugin a = Load("a.so");
  a.StartWizard();
  a.AnswerEntryWith(setup_status::kOnlyPage, 11);
  ASSERT_TRUE(wizard_.Open());
  EXPECT_EQ(wizard_.Page(), TSetupPage::PluginPages);
  EXPECT_FALSE(wizard_.BackEnabled()) << "nothing comes before the plugin's first page";
  EXPECT_TRUE(wizard_.NextIsFinish());
}

TEST_F(SetupWizardTest, CancelTellsEveryParticipantAndSavesNothing) {
  const TSetupPlugin a = Load("a.so");
  const TSetupPlugin b = Load("b.so");
  a.StartWizard();
  b.StartWizard();
  a.AnswerEntryWith(setup_status::kOnlyPage, 11);
  AcceptAgreement();
  kp_test_record_clear();
  wizard_.Cancel();
  EXPECT_EQ(Events(), (Strings{"a.so:cancel", "b.so:cancel"}));
  EXPECT_FALSE(settings_.Application.SetupComplete);
  EXPECT_EQ(view_.calls.back(), "closed");
}

class SetupScanTest : public SetupWizardTest {
 protected:
  SetupScanTest() {
    std::filesystem::create_directories(temp_ / "disk");
    for (int i = 0; i < 20; ++i) temp_.WriteFile("disk/song" + std::to_string(i) + ".mp3", "x");
    shares_.SetScanPlaces([this] { return TScanPlaces{{temp_.Path() + "disk"}, {temp_.Path() + "disk"}}; });
    settings_.SharedItems.ScanExtensions = "*.mp3";
    wizard_.EnablePages(true, false);
  }
};

TEST_F(SetupScanTest, TheScanningPageKeepsTheLastNamesAndTheScanEndMovesOn) {
  AcceptAgreement();
  ASSERT_EQ(wizard_.Page(), TSetupPage::ScanQuestion);
  EXPECT_TRUE(wizard_.ScanChosen()) << "Yes is chosen at first";
  wizard_.Next();
  EXPECT_EQ(wizard_.Page(), TSetupPage::Scanning);
  EXPECT_FALSE(wizard_.NextEnabled());
  ASSERT_TRUE(test::DrainUntil(queue_, [this] { return !wizard_.IsOpen(); }));
  EXPECT_TRUE(settings_.Application.SetupComplete);
  ASSERT_EQ(wizard_.ScanLines().size(), TSetupWizard::kScanLines);
  for (const std::string& line : wizard_.ScanLines()) EXPECT_EQ(line.find('/'), std::string::npos) << line;
}

TEST_F(SetupScanTest, CancellingTheScanDoesNotFinishTheSetup) {
  AcceptAgreement();
  wizard_.Next();
  ASSERT_EQ(wizard_.Page(), TSetupPage::Scanning);
  wizard_.Cancel();
  EXPECT_FALSE(shares_.ScanRunning());
  loop_.ProcessPendingMessages();
  EXPECT_FALSE(settings_.Application.SetupComplete) << "the scan's end must not finish a cancelled wizard";
  EXPECT_EQ(view_.calls.back(), "closed");
}

}  // namespace
}  // namespace kp
