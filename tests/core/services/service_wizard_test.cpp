// The service wizard's logic without its window: what it asks the plugins and
// when it closes, in the cases a window test does not reach easily.
#include "core/services/service_wizard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "recorded_lines.h"
#include "support/service_plugins_fixture.h"

namespace kp {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class RecordingWizardView final : public IServiceWizardView {
 public:
  Strings calls;
  void ShowTypePage() override { calls.push_back("type page"); }
  void ShowPluginArea() override { calls.push_back("plugin area"); }
  void HostWindow(std::uint32_t window) override { calls.push_back("host " + std::to_string(window)); }
  void ButtonsChanged() override {}
  void CloseWizard(bool completed) override { calls.push_back(completed ? "closed ok" : "closed cancel"); }
};

class ServiceWizardTest : public test::ServicePluginsTest {
 protected:
  ServiceWizardTest() { wizard_.SetView(&view_); }
  ~ServiceWizardTest() override { wizard_.SetView(nullptr); }

  static Strings Events() { return EventsWithoutRecords(); }

  RecordingWizardView view_;
};

TEST_F(ServiceWizardTest, AnEditStartsAfreshWhateverTheLastRunLeft) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t type = plugin.AddType("Network");
  const std::uint32_t service = plugin.Add(type, "One");

  // An add that ended on the type page leaves status 0 behind.
  wizard_.BeginAdd();
  wizard_.Cancel();
  kp_test_record_clear();

  // The plugin shows no page for the edit; Next and Cancel still speak of the
  // edited service, and nothing is added.
  ASSERT_TRUE(wizard_.BeginEdit(service));
  wizard_.Next();
  wizard_.Cancel();
  const std::string handle = std::to_string(service);
  EXPECT_EQ(Events(), (Strings{"net.so:OnServiceWizardEdit " + handle, "net.so:OnServiceWizardChange " + handle + " 6",
                               "net.so:OnServiceWizardCancel " + handle}));
  EXPECT_FALSE(wizard_.BeginEdit(0x1234)) << "an unknown service opens nothing";

  // One that ended busy on its last page: the edit neither completes at once nor
  // keeps Next off.
  plugin.ShowWizardPanel(0, wizard_status::kLastPage);
  plugin.ShowWizardPanel(0, wizard_status::kBusy);
  ASSERT_TRUE(wizard_.BeginEdit(service));
  EXPECT_TRUE(wizard_.NextEnabled());
  EXPECT_FALSE(wizard_.BackEnabled());
  EXPECT_FALSE(wizard_.NextIsFinish());
  kp_test_record_clear();
  wizard_.Next();
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardChange " + handle + " 6"});
}

TEST_F(ServiceWizardTest, ATypeRemovedWhileItsPageIsShownIsNotOffered) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t first = plugin.AddType("First");
  const std::uint32_t second = plugin.AddType("Second");
  wizard_.BeginAdd();
  EXPECT_EQ(wizard_.TypeList(), (std::vector<std::uint32_t>{first, second}));
  EXPECT_EQ(wizard_.ChosenType(), 0);
  wizard_.ChooseType(5);
  EXPECT_EQ(wizard_.ChosenType(), -1) << "out of range chooses nothing";
  wizard_.ChooseType(0);

  plugin.RemoveType(first);
  kp_test_record_clear();
  wizard_.Next();
  EXPECT_TRUE(Events().empty());
  EXPECT_FALSE(wizard_.OnTypePage());

  // Opened again, the list holds the type that is left.
  wizard_.BeginAdd();
  wizard_.Next();
  EXPECT_EQ(Events(), Strings{"net.so:OnServiceWizardAdd " + std::to_string(second)});
  EXPECT_EQ(wizard_.ServiceType(), second);
}

TEST_F(ServiceWizardTest, APluginWithoutTheChangeEventClosesItsLastPageWithoutBeingAsked) {
  test::TServicePlugin plain = Load(KP_TP_SERVICES_PLAIN, "plain.so");
  const std::uint32_t type = plain.AddType("Plain");
  plain.AnswerWithPage(wizard_status::kOnlyPage, 77);
  wizard_.BeginAdd();
  view_.calls.clear();
  wizard_.Next();
  EXPECT_EQ(Events(), Strings{"plain.so:OnServiceWizardAdd " + std::to_string(type)});
  EXPECT_EQ(view_.calls, (Strings{"plugin area", "host 77"}));
  EXPECT_TRUE(wizard_.NextIsFinish());

  kp_test_record_clear();
  wizard_.Next();
  EXPECT_TRUE(Events().empty()) << "no completion event without the change event";
  EXPECT_EQ(view_.calls.back(), "closed ok");

  // Its Cancel is not announced either: cancelling is part of the same pair.
  wizard_.BeginAdd();
  wizard_.Next();
  kp_test_record_clear();
  wizard_.Cancel();
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(view_.calls.back(), "closed cancel");
}

}  // namespace
}  // namespace kp
