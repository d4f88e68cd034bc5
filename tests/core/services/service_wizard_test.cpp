// The service wizard's rules without its window: which buttons are on for each
// page a plugin shows, what each button asks of the plugin on each page, and
// when the wizard closes. A window only shows what these decide.
#include "core/services/service_wizard.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "recorded_lines.h"
#include "support/service_plugins_fixture.h"

namespace kp {
namespace {

using Strings = std::vector<std::string>;
using wizard_status::kBusy;
using wizard_status::kFirstPage;
using wizard_status::kLastPage;
using wizard_status::kMiddlePage;
using wizard_status::kNoPage;
using wizard_status::kOnlyPage;
using wizard_status::kTypePage;

constexpr std::uint32_t kPage = 77;

class RecordingWizardView final : public IServiceWizardView {
 public:
  Strings calls;
  // What the user does while a plugin's page arrives, inside the plugin's event.
  std::function<void()> onHost;

  void ShowTypePage() override { calls.push_back("type page"); }
  void ShowPluginArea() override { calls.push_back("plugin area"); }
  void HostWindow(std::uint32_t window) override {
    calls.push_back("host " + std::to_string(window));
    if (onHost) onHost();
  }
  void StateChanged() override {}
  void CloseWizard(bool completed) override { calls.push_back(completed ? "closed ok" : "closed cancel"); }
};

struct Buttons {
  bool back;
  bool next;
  bool finish;
  bool operator==(const Buttons&) const = default;
};
void PrintTo(const Buttons& b, std::ostream* os) {
  *os << (b.back ? "Back on" : "Back off") << ", " << (b.next ? "Next on" : "Next off")
      << (b.finish ? ", Finish" : "");
}

// Each case of a table is named after its row.
struct RowName {
  template <typename Case>
  std::string operator()(const ::testing::TestParamInfo<Case>& row) const {
    return row.param.name;
  }
};

enum class Mode { Add, Edit };
enum class Plugin { Full, WithoutChange };
enum class Button { Next, Back, Cancel };
constexpr Button kNext = Button::Next;
constexpr Button kBack = Button::Back;
constexpr Button kCancel = Button::Cancel;
constexpr Plugin kFull = Plugin::Full;
constexpr Plugin kPlain = Plugin::WithoutChange;
constexpr Mode kAdd = Mode::Add;
constexpr Mode kEdit = Mode::Edit;

class ServiceWizardTest : public test::ServicePluginsTest {
 protected:
  ServiceWizardTest() { wizard_.SetView(&view_); }
  ~ServiceWizardTest() override { wizard_.SetView(nullptr); }

  static Strings Events() { return EventsWithoutRecords(); }
  Buttons Shown() const { return {wizard_.BackEnabled(), wizard_.NextEnabled(), wizard_.NextIsFinish()}; }

  // A plugin with one type and, for an edit, one service of it.
  void Register(Plugin kind, Mode mode) {
    plugin_.emplace(Load(kind == Plugin::Full ? KP_TP_SERVICES : KP_TP_SERVICES_PLAIN, "net.so"));
    type_ = plugin_->AddType("Network");
    if (mode == Mode::Edit) service_ = plugin_->Add(type_, "One");
  }
  // Opens the wizard and, unless the type page is asked for, goes on to the
  // plugin's page of this status (none for kNoPage).
  void OpenAt(Mode mode, std::int32_t status, bool allowBack = true) {
    plugin_->AnswerWithPage(status == kNoPage ? -1 : status, kPage, allowBack);
    if (mode == Mode::Edit) {
      ASSERT_TRUE(wizard_.BeginEdit(service_));
    } else {
      wizard_.BeginAdd();
      if (status != kTypePage) wizard_.Next();
    }
    plugin_->AnswerWithPage(-1);
    kp_test_record_clear();
    view_.calls.clear();
  }
  void Press(Button button) {
    if (button == Button::Next) wizard_.Next();
    if (button == Button::Back) wizard_.Back();
    if (button == Button::Cancel) wizard_.Cancel();
  }
  // The wizard events the plugin is expected to record, written without the
  // plugin's name and the events' common prefix; "{type}" and "{service}"
  // stand for the handles.
  Strings Expected(Strings lines) const {
    for (std::string& line : lines) {
      for (const auto& [name, handle] : {std::pair{"{type}", type_}, std::pair{"{service}", service_}}) {
        const std::size_t at = line.find(name);
        if (at != std::string::npos) line.replace(at, std::string(name).size(), std::to_string(handle));
      }
      line = "net.so:OnServiceWizard" + line;
    }
    return lines;
  }

  RecordingWizardView view_;
  std::optional<test::TServicePlugin> plugin_;
  std::uint32_t type_ = 0;
  std::uint32_t service_ = 0;
};

// ---- the buttons each page status sets

struct StatusCase {
  const char* name;
  Mode mode;
  std::vector<std::int32_t> statuses;  // none: as the wizard opens
  bool allowBack;
  Buttons expected;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class WizardButtonsTest : public ServiceWizardTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(WizardButtonsTest, FollowThePluginsPageStatus) {
  const StatusCase& c = GetParam();
  Register(Plugin::Full, c.mode);
  OpenAt(c.mode, c.mode == Mode::Edit ? kNoPage : (c.statuses.empty() ? kTypePage : kBusy));
  for (const std::int32_t status : c.statuses) plugin_->ShowWizardPanel(kPage, status, c.allowBack);
  EXPECT_EQ(Shown(), c.expected);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Statuses, WizardButtonsTest, ::testing::Values(
    StatusCase{"AddOpensOnTheTypePage", kAdd, {}, true, {false, true, false}},
    StatusCase{"AddBusy", kAdd, {kBusy}, true, {false, false, false}},
    StatusCase{"AddMiddle", kAdd, {kBusy, kMiddlePage}, true, {true, true, false}},
    StatusCase{"AddFirstLeavesNextOffAfterBusy", kAdd, {kBusy, kFirstPage}, true, {true, false, false}},
    StatusCase{"AddFirstLeavesNextOn", kAdd, {kMiddlePage, kFirstPage}, true, {true, true, false}},
    StatusCase{"AddLast", kAdd, {kBusy, kLastPage}, true, {true, true, true}},
    StatusCase{"AddOnly", kAdd, {kBusy, kOnlyPage}, true, {true, true, true}},
    StatusCase{"BusyKeepsFinish", kAdd, {kLastPage, kBusy}, true, {false, false, true}},
    StatusCase{"FirstTakesFinishAway", kAdd, {kLastPage, kFirstPage}, true, {true, true, false}},
    StatusCase{"UnknownStatusChangesNothing", kAdd, {kLastPage, 9}, true, {true, true, true}},
    StatusCase{"StatusZeroChangesNothing", kAdd, {kBusy, kTypePage}, true, {false, false, false}},
    StatusCase{"NoBackOnAMiddlePage", kAdd, {kMiddlePage}, false, {false, true, false}},
    StatusCase{"NoBackOnALastPage", kAdd, {kLastPage}, false, {false, true, true}},
    StatusCase{"EditOpensWithoutBack", kEdit, {}, true, {false, true, false}},
    StatusCase{"EditFirstHasNoBack", kEdit, {kFirstPage}, true, {false, true, false}},
    StatusCase{"EditOnlyHasNoBack", kEdit, {kOnlyPage}, true, {false, true, true}},
    StatusCase{"EditMiddle", kEdit, {kMiddlePage}, true, {true, true, false}},
    StatusCase{"EditLast", kEdit, {kLastPage}, true, {true, true, true}}
), RowName());
// clang-format on

// ---- what a button does on each page

struct StepCase {
  const char* name;
  Plugin plugin;
  Mode mode;
  std::int32_t status;  // the page the button is pressed on
  Button button;
  Strings events;  // as Expected takes them
  Strings view;
  bool allowBack = true;
  bool completes = true;  // what the plugin answers OnServiceWizardComplete
};

void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class WizardStepTest : public ServiceWizardTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(WizardStepTest, AsksThePluginAndClosesAsThePageSays) {
  const StepCase& c = GetParam();
  Register(c.plugin, c.mode);
  OpenAt(c.mode, c.status, c.allowBack);
  plugin_->AnswerCompletion(c.completes);
  Press(c.button);
  EXPECT_EQ(Events(), Expected(c.events));
  EXPECT_EQ(view_.calls, c.view);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Buttons, WizardStepTest, ::testing::Values(
    // Next
    StepCase{"NextOnTheTypePageAsksForTheFirstPage", kFull, kAdd, kTypePage, kNext,
             {"Add {type}"}, {"plugin area"}},
    StepCase{"NextOnAMiddlePage", kFull, kAdd, kMiddlePage, kNext, {"Change 0 6"}, {}},
    StepCase{"NextOnAFirstPage", kFull, kAdd, kFirstPage, kNext, {"Change 0 6"}, {}},
    StepCase{"NextOnALastPageCompletes", kFull, kAdd, kLastPage, kNext,
             {"Complete {type} 0 1"}, {"closed ok"}},
    StepCase{"NextOnAnOnlyPageThePluginKeepsOpen", kFull, kAdd, kOnlyPage, kNext,
             {"Complete {type} 0 1"}, {}, true, false},
    StepCase{"NextWhileBusyDoesNothing", kFull, kAdd, kBusy, kNext, {}, {}},
    StepCase{"NextWhileEditingNamesTheService", kFull, kEdit, kMiddlePage, kNext, {"Change {service} 6"}, {}},
    StepCase{"NextBeforeTheEditsFirstPage", kFull, kEdit, kNoPage, kNext, {"Change {service} 6"}, {}},
    StepCase{"NextCompletesAnEdit", kFull, kEdit, kLastPage, kNext,
             {"Complete {type} {service} 1"}, {"closed ok"}},
    StepCase{"APluginWithoutChangeIsNotAskedToComplete", kPlain, kAdd, kOnlyPage, kNext,
             {}, {"closed ok"}, true, false},
    StepCase{"APluginWithoutChangeHearsNoNext", kPlain, kAdd, kMiddlePage, kNext, {}, {}},
    // Back
    StepCase{"BackFromTheFirstPageReturnsUntold", kFull, kAdd, kFirstPage, kBack, {}, {"type page"}},
    StepCase{"BackFromTheOnlyPageReturnsUntold", kFull, kAdd, kOnlyPage, kBack, {}, {"type page"}},
    StepCase{"BackOnAMiddlePage", kFull, kAdd, kMiddlePage, kBack, {"Change 0 7"}, {}},
    StepCase{"BackOnALastPage", kFull, kAdd, kLastPage, kBack, {"Change 0 7"}, {}},
    StepCase{"BackWhileEditingNamesTheService", kFull, kEdit, kMiddlePage, kBack, {"Change {service} 7"}, {}},
    StepCase{"BackOnTheEditsFirstPageIsOff", kFull, kEdit, kFirstPage, kBack, {}, {}},
    StepCase{"BackThePluginForbidsIsOff", kFull, kAdd, kMiddlePage, kBack, {}, {}, false},
    StepCase{"BackOnTheTypePageIsOff", kFull, kAdd, kTypePage, kBack, {}, {}},
    // Cancel
    StepCase{"CancelOnTheTypePageTellsNobody", kFull, kAdd, kTypePage, kCancel, {}, {"closed cancel"}},
    StepCase{"CancelWhileAddingPassesNoService", kFull, kAdd, kMiddlePage, kCancel,
             {"Cancel 0"}, {"closed cancel"}},
    StepCase{"CancelWorksWhileBusy", kFull, kAdd, kBusy, kCancel, {"Cancel 0"}, {"closed cancel"}},
    StepCase{"CancelWhileEditingNamesTheService", kFull, kEdit, kMiddlePage, kCancel,
             {"Cancel {service}"}, {"closed cancel"}},
    StepCase{"CancelBeforeTheEditsFirstPage", kFull, kEdit, kNoPage, kCancel,
             {"Cancel {service}"}, {"closed cancel"}},
    StepCase{"APluginWithoutChangeHearsNoCancel", kPlain, kAdd, kMiddlePage, kCancel, {}, {"closed cancel"}}
), RowName());
// clang-format on

// ---- a type or a service that goes while its pages are shown

struct VanishedCase {
  const char* name;
  Mode mode;
  std::int32_t status;
  Button button;
  Strings events;
};

void PrintTo(const VanishedCase& c, std::ostream* os) { *os << c.name; }

class WizardVanishedTest : public ServiceWizardTest, public ::testing::WithParamInterface<VanishedCase> {};

// Its handle would reach the plugin as the address of a freed record: the
// wizard closes instead, and tells the plugin only where no handle is passed.
TEST_P(WizardVanishedTest, ClosesWithoutNamingIt) {
  const VanishedCase& c = GetParam();
  Register(Plugin::Full, c.mode);
  OpenAt(c.mode, c.status);
  if (c.mode == Mode::Edit) {
    plugin_->Remove(service_);
  } else {
    plugin_->RemoveType(type_);
  }
  kp_test_record_clear();
  Press(c.button);
  EXPECT_EQ(Events(), Expected(c.events));
  EXPECT_EQ(view_.calls, Strings{"closed cancel"});
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Subjects, WizardVanishedTest, ::testing::Values(
    VanishedCase{"TypeAtCompletion", kAdd, kLastPage, kNext, {"Cancel 0"}},
    VanishedCase{"TypeAtNext", kAdd, kMiddlePage, kNext, {"Cancel 0"}},
    VanishedCase{"TypeAtBack", kAdd, kMiddlePage, kBack, {"Cancel 0"}},
    VanishedCase{"TypeAtCancel", kAdd, kMiddlePage, kCancel, {"Cancel 0"}},
    VanishedCase{"ServiceAtCompletion", kEdit, kLastPage, kNext, {}},
    VanishedCase{"ServiceAtBack", kEdit, kMiddlePage, kBack, {}},
    VanishedCase{"ServiceAtCancel", kEdit, kMiddlePage, kCancel, {}}
), RowName());
// clang-format on

// ---- whole runs

TEST_F(ServiceWizardTest, AnAddRunAsksThePluginInOrder) {
  Register(Plugin::Full, Mode::Add);
  wizard_.BeginAdd();
  plugin_->AnswerWithPage(kFirstPage, 1);
  wizard_.Next();
  plugin_->AnswerWithPage(kMiddlePage, 2);
  wizard_.Next();
  plugin_->AnswerWithPage(kFirstPage, 1);
  wizard_.Back();
  wizard_.Back();
  plugin_->AnswerWithPage(kOnlyPage, 3);
  wizard_.Next();
  wizard_.Next();
  EXPECT_EQ(Events(),
            Expected({"Add {type}", "Change 0 6", "Change 0 7", "Add {type}", "Complete {type} 0 1"}));
  EXPECT_EQ(view_.calls, (Strings{"type page", "plugin area", "host 1", "host 2", "host 1", "type page",
                                  "plugin area", "host 3", "closed ok"}));
}

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
  EXPECT_EQ(Events(), Expected({"Edit " + handle, "Change " + handle + " 6", "Cancel " + handle}));
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
  EXPECT_EQ(Events(), Expected({"Change " + handle + " 6"}));
}

// ---- the type page

TEST_F(ServiceWizardTest, WithoutTypesNextShowsAnEmptyAreaAndOnlyCancelCloses) {
  wizard_.BeginAdd();
  EXPECT_TRUE(wizard_.TypeList().empty());
  EXPECT_EQ(wizard_.ChosenType(), -1);
  view_.calls.clear();
  wizard_.Next();
  wizard_.Next();
  wizard_.Back();
  wizard_.Cancel();
  EXPECT_TRUE(Events().empty());
  EXPECT_EQ(view_.calls, (Strings{"plugin area", "closed cancel"}));
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
  EXPECT_EQ(Events(), Expected({"Add " + std::to_string(second)}));
  EXPECT_EQ(wizard_.ServiceType(), second);
}

TEST_F(ServiceWizardTest, BackToTheTypePageListsTheTypesOfNowAndKeepsTheChoice) {
  test::TServicePlugin plugin = Load(KP_TP_SERVICES, "net.so");
  const std::uint32_t first = plugin.AddType("First");
  const std::uint32_t second = plugin.AddType("Second");
  wizard_.BeginAdd();
  wizard_.ChooseType(1);
  plugin.AnswerWithPage(kFirstPage);
  wizard_.Next();
  plugin.RemoveType(first);
  const std::uint32_t third = plugin.AddType("Third");
  wizard_.Back();
  EXPECT_EQ(wizard_.TypeList(), (std::vector<std::uint32_t>{second, third}));
  EXPECT_EQ(wizard_.ChosenType(), 0);
}

TEST_F(ServiceWizardTest, AStatusZeroFromAPluginDoesNotMakeNextAddAgain) {
  Register(Plugin::Full, Mode::Add);
  OpenAt(Mode::Add, kMiddlePage);
  plugin_->ShowWizardPanel(kPage, kTypePage);
  wizard_.Next();
  wizard_.Cancel();
  EXPECT_EQ(Events(), Expected({"Change 0 6", "Cancel 0"}));
}

// ---- re-entry

TEST_F(ServiceWizardTest, AStepUnderWayIgnoresTheButtons) {
  Register(Plugin::Full, Mode::Add);
  OpenAt(Mode::Add, kMiddlePage);
  // The plugin's page arrives inside its Change event, while Next still runs; a
  // user who presses buttons meanwhile (in an event loop the plugin spins)
  // starts nothing.
  view_.onHost = [this] {
    wizard_.Next();
    wizard_.Back();
    wizard_.Cancel();
  };
  plugin_->AnswerWithPage(kMiddlePage, 2);
  wizard_.Next();
  EXPECT_EQ(Events(), Expected({"Change 0 6"}));
  EXPECT_EQ(view_.calls, Strings{"host 2"});

  view_.onHost = nullptr;
  wizard_.Cancel();
  EXPECT_EQ(view_.calls.back(), "closed cancel") << "outside a step the buttons work again";
}

}  // namespace
}  // namespace kp
